#include "Settings.h"

#include "RegString.h"

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

} // namespace settings
