#pragma once

#include <QDate>
#include <QString>
#include <QVector>
#include <memory>

namespace engine {
class Database;
class Statement;
enum class Dialect;
} // namespace engine

// The other service records of one device (by serial number) or one customer (by title), and the
// record a scanned or typed code points at. Texts are matched by schema::matchKey through its
// index: one indexed look-up, whatever the number of records.
namespace history {

enum class Kind { Device, Customer };

QString fieldOf(Kind kind); // "SeriNo" or "Unvan"

// The counts of both notes of a record: the records whose serial number, and those whose title,
// match the texts, the record with the key `except` aside (-1: none aside); 0 for a text that is
// empty once its blanks are dropped. Both are read in one statement: the two notes ask one after
// the other, and on a server each statement is a round trip. Kept while the texts, the record
// aside and the data stand still.
class Counter {
public:
    struct Texts {
        QString serial;
        QString title;
        qint64 except = -1;
    };
    int count(const std::shared_ptr<engine::Database>& servis, Kind kind, const Texts& texts);

    // The same in steps, for reading with other statements: when stale() says the counts must be
    // read, prepare sql(), bind() it, run it (with the others) and take() its row.
    bool stale(const std::shared_ptr<engine::Database>& servis, const Texts& texts);
    static QString sql(engine::Dialect d);
    void bind(engine::Statement& s) const;
    void take(engine::Statement& s);

private:
    struct Keys {
        QString serial, title;
        qint64 except = -1;
        quint64 version = 0;
        bool operator==(const Keys&) const = default;
    };
    std::weak_ptr<engine::Database> db_;
    bool indexed_[2] = {false, false};
    bool known_ = false;
    Keys wanted_, have_;
    int counts_[2] = {0, 0};
};

// Whether the file's indexes serve the counts; a file that could not be upgraded (read-only) may
// lack them, and a look-up would then read every record.
bool indexed(engine::Database& servis, Kind kind);

// "3 önceki kayıt", "Müşterinin 12 kaydı"; empty for none.
QString caption(Kind kind, int count);

struct Entry {
    qint64 id = -1;
    QString code;
    QDate date;
    QString device;    // Sistem and Marka Model
    QString complaint; // first line of Başvuru Sebebi
    QString outcome;   // first line of Sonuç
    QString status;    // Son Durum in words
    QStringList items; // names of the used stock items
};

// The matching records as Counter counts them, newest first, with their used items read
// from `stok`.
QVector<Entry> list(engine::Database& servis, engine::Database& stok, Kind kind, const QString& text,
                    qint64 except);

// A record code as typed or scanned, with or without its hyphens ("01-0042-07", "01004207"), in
// the stored form; empty when the text is no code.
QString normalizedCode(const QString& typed);

// What a text typed into "Kayda Git" points at: the record of that code, else the records of that
// serial number.
struct Target {
    enum What { Nothing, Record, SeveralDevices } what = Nothing;
    qint64 id = -1;    // the record, when one
    bool code = false; // the text reads as a record code
};
Target resolve(engine::Database& servis, const QString& typed);

} // namespace history
