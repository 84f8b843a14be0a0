#include "Settings.h"

#include "RegString.h"

#include <QStringList>

namespace settings {

namespace {

QString read(const char* name) {
    return RegReadString(registry::currentUser(), kKey, QLatin1String(name)).value_or(QString());
}

void write(const char* name, const QString& text) {
    RegWriteString(registry::currentUser(), kKey, QLatin1String(name), text);
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

QString prn() {
    return read("Prn");
}

void setPrn(const QString& printer) {
    write("Prn", printer);
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

} // namespace settings
