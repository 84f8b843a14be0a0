#include "Settings.h"

#include "RegString.h"
#include "ui/Dialogs.h"

#include <QApplication>
#include <QHash>

#include <QStringList>

namespace settings {

namespace {

// Values that could not be stored, by store file: they stay in effect for this run, and go with
// the next write that succeeds.
struct Unsaved {
    QHash<QString, QString> values;
    bool told = false; // the user has heard that the settings are not being stored
};

QHash<QString, Unsaved>& unsavedByStore() {
    static QHash<QString, Unsaved> unsaved;
    return unsaved;
}

QString read(const char* name) {
    const registry::Store store = registry::currentUser();
    const auto unsaved = unsavedByStore().constFind(store.filePath());
    if (unsaved != unsavedByStore().cend()) {
        if (const auto value = unsaved->values.constFind(QLatin1String(name));
            value != unsaved->values.cend())
            return *value;
    }
    return RegReadString(store, kKey, QLatin1String(name)).value_or(QString());
}

void write(const char* name, const QString& text) {
    const registry::Store store = registry::currentUser();
    Unsaved& unsaved = unsavedByStore()[store.filePath()];
    unsaved.values.insert(QLatin1String(name), text);
    QString error;
    for (auto value = unsaved.values.begin(); value != unsaved.values.end();) {
        error = RegWriteString(store, kKey, value.key(), value.value()).error;
        if (!error.isEmpty())
            break;
        value = unsaved.values.erase(value);
    }
    if (error.isEmpty()) {
        unsaved.told = false;
        return;
    }
    // Once, not at every change: the cause is the same until a write succeeds again.
    if (unsaved.told)
        return;
    unsaved.told = true;
    ui::MsgBox(QApplication::activeWindow(),
               QStringLiteral("Ayarlar kaydedilemedi.\n\n%1\n\nYaptığınız değişiklik program kapanana kadar "
                              "geçerli, ancak kalıcı olarak saklanmadı.")
                   .arg(error),
               ui::Icon::Exclamation);
}

} // namespace

QString dataNo() {
    return read("DataNo");
}

void setDataNo(const QString& code) {
    write("DataNo", code);
}

bool baslik() {
    return read("Baslik").compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
}

void setBaslik(bool on) {
    write("Baslik", on ? QStringLiteral("True") : QStringLiteral("False"));
}

std::array<bool, kSecimCount> secim() {
    const QString text = read("Secim");
    std::array<bool, kSecimCount> selected{};
    for (int i = 0; i < kSecimCount && i < text.size(); ++i)
        selected[i] = text[i] == u'1';
    return selected;
}

void setSecim(const std::array<bool, kSecimCount>& selected) {
    QString text;
    for (const bool on : selected)
        text += on ? u'1' : u'0';
    write("Secim", text);
}

bool barkod() {
    return read("Barkod").compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
}

void setBarkod(bool on) {
    write("Barkod", on ? QStringLiteral("True") : QStringLiteral("False"));
}

QString prn() {
    return read("Prn");
}

void setPrn(const QString& printer) {
    write("Prn", printer);
}

QString sunucu() {
    return read("Sunucu");
}

void setSunucu(const QString& conninfo) {
    write("Sunucu", conninfo);
}

QString etiketYazici() {
    return read("EtiketYazici");
}

void setEtiketYazici(const QString& printer) {
    write("EtiketYazici", printer);
}

QSizeF etiketBoyu() {
    const QStringList parts = read("EtiketBoyu").split(u'x');
    bool wide = false, high = false;
    const double width = parts.value(0).toDouble(&wide);
    const double height = parts.value(1).toDouble(&high);
    // A damaged value falls back to the common roll rather than to a label no printer takes.
    if (parts.size() != 2 || !wide || !high || !(width >= 20 && width <= 150) ||
        !(height >= 20 && height <= 150))
        return QSizeF(62, 29);
    return QSizeF(width, height);
}

void setEtiketBoyu(const QSizeF& millimetres) {
    write("EtiketBoyu", QStringLiteral("%1x%2").arg(millimetres.width()).arg(millimetres.height()));
}

QString yedekYeri2() {
    return read("YedekYeri2");
}

void setYedekYeri2(const QString& folder) {
    write("YedekYeri2", folder);
}

int yedekAraligi() {
    bool ok = false;
    const int hours = read("YedekAraligi").toInt(&ok);
    return ok && hours >= 1 && hours <= 24 ? hours : 4;
}

void setYedekAraligi(int hours) {
    write("YedekAraligi", QString::number(hours));
}

} // namespace settings
