#include "Notify.h"

#include "RegString.h"
#include "Settings.h"
#include "engine/Database.h"

#include <QRegularExpression>
#include <QStringList>

namespace notify {

namespace {

// Turkish mobile numbers are ten digits after the country code or the trunk 0, the first a 5.
constexpr int kNationalDigits = 10;

QString nationalMobile(const QString& digits) {
    const auto mobile = [](const QString& national) {
        return national.size() == kNationalDigits && national.startsWith(u'5') ? national : QString();
    };
    if (digits.startsWith(QLatin1String("0090")))
        return mobile(digits.mid(4));
    if (digits.startsWith(QLatin1String("90")) && digits.size() == kNationalDigits + 2)
        return mobile(digits.mid(2));
    if (digits.startsWith(u'0'))
        return mobile(digits.mid(1));
    return mobile(digits);
}

QString firstLine(const QString& text) {
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("[\r\n]")))) {
        if (!line.trimmed().isEmpty())
            return line.trimmed();
    }
    return {};
}

QString joined(const QStringList& parts) {
    QStringList kept;
    for (const QString& p : parts)
        if (!p.trimmed().isEmpty())
            kept << p.trimmed();
    return kept.join(u' ');
}

QString readSetting(const char* name) {
    return RegReadString(registry::currentUser(), settings::kKey, QLatin1String(name)).value_or(QString());
}

} // namespace

Number mobileNumber(const QString& telephone) {
    const QString read = telephone.trimmed();
    if (read.isEmpty())
        return {{}, QStringLiteral("Kayıtta telefon numarası yok.")};
    // Spaces, dashes, dots, slashes and brackets are how people group digits; anything else
    // (letters, a second "+", an extension) means the text is not just a number.
    static const QRegularExpression grouping(QStringLiteral("[\\s\\-./()]"));
    QString digits = read;
    digits.remove(grouping);
    const bool plus = digits.startsWith(u'+');
    if (plus)
        digits.remove(0, 1);
    static const QRegularExpression onlyDigits(QStringLiteral("^[0-9]+$"));
    // "+" stands for the international prefix 00.
    const QString national = onlyDigits.match(digits).hasMatch()
                                 ? nationalMobile(plus ? QStringLiteral("00") + digits : digits)
                                 : QString();
    if (national.isEmpty())
        return {{},
                QStringLiteral("Telefon \"%1\" olarak okundu; bu bir Türkiye cep telefonu numarası değil "
                               "(örnek: 0532 123 45 67).")
                    .arg(read)};
    return {QStringLiteral("90") + national, {}};
}

QString checkEmail(const QString& address) {
    const QString a = address.trimmed();
    if (a.isEmpty())
        return QStringLiteral("Kayıtta e-posta adresi yok.");
    // One plain address: no spaces or separators that would make it a list, a link or an option.
    static const QRegularExpression separator(QStringLiteral("[\\s,;:<>()\\[\\]\"\\\\/?&=]"));
    const qsizetype at = a.indexOf(u'@');
    const QStringList labels = a.mid(at + 1).split(u'.');
    const bool plain = !a.contains(separator) && at > 0 && a.count(u'@') == 1 && !a.startsWith(u'-') &&
                       !a.startsWith(u'.') && labels.size() >= 2 && !labels.contains(QString()) &&
                       !labels.first().startsWith(u'-');
    if (!plain)
        return QStringLiteral("E-posta adresi \"%1\" olarak okundu; bu geçerli bir e-posta adresi değil.")
            .arg(a);
    return {};
}

QString messageText(const Facts& facts, const Workshop& workshop) {
    QStringList lines;
    const QString title = facts.title.trimmed();
    lines << (title.isEmpty() ? QStringLiteral("Merhaba,") : QStringLiteral("Sayın %1,").arg(title));
    lines << QString();
    const QString device = joined({facts.system, facts.brandModel});
    lines << QStringLiteral(
                 "%1 kayıt numaralı %2servis işlemi tamamlanmıştır; cihazınızı teslim alabilirsiniz.")
                 .arg(facts.code.trimmed(), device.isEmpty() ? QStringLiteral("cihazınızın ")
                                                             : device + QStringLiteral(" cihazınızın "));
    const QString outcome = firstLine(facts.outcome);
    if (!outcome.isEmpty())
        lines << QStringLiteral("Sonuç: %1").arg(outcome);
    lines << QString() << QStringLiteral("İyi günler dileriz.");
    if (!workshop.name.trimmed().isEmpty())
        lines << workshop.name.trimmed();
    if (!workshop.phone.trimmed().isEmpty())
        lines << QStringLiteral("Tel: %1").arg(workshop.phone.trimmed());
    return lines.join(u'\n');
}

QString subject(const Facts& facts) {
    return QStringLiteral("Cihazınız hazır (Kayıt No: %1)").arg(facts.code.trimmed());
}

QUrl whatsappUrl(const QString& international, const QString& text) {
    return QUrl::fromEncoded(QByteArrayLiteral("https://wa.me/") + international.toLatin1() +
                                 QByteArrayLiteral("?text=") + QUrl::toPercentEncoding(text),
                             QUrl::StrictMode);
}

Workshop workshop() {
    return {readSetting("FirmaAdi"), readSetting("FirmaTelefon")};
}

void setWorkshop(const Workshop& w) {
    // Written only when changed: the store is a file, rewritten on every write.
    const Workshop stored = workshop();
    if (stored.name != w.name)
        RegWriteString(registry::currentUser(), settings::kKey, QStringLiteral("FirmaAdi"), w.name);
    if (stored.phone != w.phone)
        RegWriteString(registry::currentUser(), settings::kKey, QStringLiteral("FirmaTelefon"), w.phone);
}

void keep(engine::Database& servis, const QString& code, const Sent& sent) {
    engine::Statement s = servis.prepare(QStringLiteral(
        "INSERT INTO Bildirim (KayitNo, Tarih, Saat, Yol, Adres, Metin) VALUES (?, ?, ?, ?, ?, ?)"));
    s.bindAll({code, sent.moment.date(), sent.moment.time(), sent.way, sent.address, sent.text});
    s.run();
    servis.changed(QStringLiteral("Bildirim"));
}

QString lastSentSql() {
    return QStringLiteral(
        "SELECT Tarih, Saat, Yol, Adres, Metin FROM Bildirim WHERE KayitNo = ? ORDER BY ID DESC LIMIT 1");
}

std::optional<Sent> sentFrom(engine::Statement& s) {
    if (!s.step())
        return std::nullopt;
    const QDate date = QDate::fromString(s.value(0).toString(), Qt::ISODate);
    const QTime time = QTime::fromString(s.value(1).toString(), QStringLiteral("HH:mm:ss"));
    return Sent{QDateTime(date, time), s.value(2).toString(), s.value(3).toString(), s.value(4).toString()};
}

std::optional<Sent> lastSent(engine::Database& servis, const QString& code) {
    engine::Statement s = servis.prepare(lastSentSql());
    s.bind(1, code);
    return sentFrom(s);
}

QString caption(const Sent& sent) {
    return QStringLiteral("Haber verildi: %1 (%2)")
        .arg(sent.moment.toString(QStringLiteral("dd.MM.yyyy HH:mm")), sent.way);
}

} // namespace notify
