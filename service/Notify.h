#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>
#include <optional>

namespace engine {
class Database;
class Statement;
} // namespace engine

// Telling a customer that the device is ready: the number and address checks, the message, and
// the table of the notifications sent (Bildirim in Servis.mdb). No window and no desktop here.
namespace notify {

// A telephone as WhatsApp wants it: a Turkish mobile number in the international form without "+"
// ("905321234567"), or, when the text cannot be one, a Turkish sentence saying what was read.
struct Number {
    QString international;
    QString problem;
};
Number mobileNumber(const QString& telephone);

// "" when `address` can be handed to a mail program, otherwise a Turkish sentence saying why not.
QString checkEmail(const QString& address);

// What the message says about the record and who sends it.
struct Facts {
    QString code;
    QString title;
    QString system;     // Sistem
    QString brandModel; // Marka Model
    QString outcome;    // Sonuç, all of it; the message quotes its first line
};
struct Workshop {
    QString name;
    QString phone;
};

QString messageText(const Facts& facts, const Workshop& workshop);
QString subject(const Facts& facts);
// https://wa.me/<number>?text=<the text, percent-encoded>
QUrl whatsappUrl(const QString& international, const QString& text);

// The workshop as the user typed it once; kept in the settings store.
Workshop workshop();
void setWorkshop(const Workshop& workshop);

inline const QString kByEmail = QStringLiteral("E-posta");
inline const QString kByWhatsApp = QStringLiteral("WhatsApp");

// One notification sent for a record.
struct Sent {
    QDateTime moment;
    QString way; // kByEmail or kByWhatsApp
    QString address;
    QString text;
};

void keep(engine::Database& servis, const QString& code, const Sent& sent);
// The newest notification of the record; none when nothing was sent for it.
std::optional<Sent> lastSent(engine::Database& servis, const QString& code);
// The same in steps, for reading with other statements: prepare lastSentSql(), bind the code as
// its value, run it (with the others) and read it with sentFrom().
QString lastSentSql();
std::optional<Sent> sentFrom(engine::Statement& s);
// "Haber verildi: 08.12.2026 17:30 (WhatsApp)"
QString caption(const Sent& sent);

} // namespace notify
