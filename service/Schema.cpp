#include "Schema.h"

#include "engine/Database.h"
#include "engine/DbError.h"
#include "engine/Text.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcSchema, "kts.schema")

namespace schema {

namespace {

// The blanks a match key drops at the ends; the SQL twin names the same characters.
constexpr QStringView kBlanks = u" \t\n\r";

struct Table {
    const char* name;
    QStringList fields; // "Name TYPE"
};

QStringList texts(const QStringList& names) {
    QStringList out;
    for (const QString& n : names)
        out << n + QStringLiteral(" TEXT");
    return out;
}

QList<Table> servisTables() {
    QStringList servis{QStringLiteral("ServisKayitNo TEXT"), QStringLiteral("KayitTarih DATE"),
                       QStringLiteral("KayitSaat TIME"),     QStringLiteral("TeslimTarihi DATE"),
                       QStringLiteral("TeslimSaati TIME"),   QStringLiteral("Nerde SMALLINT"),
                       QStringLiteral("SonDurum SMALLINT")};
    servis << texts({QStringLiteral("Unvan"), QStringLiteral("Adres1"), QStringLiteral("Adres2"),
                     QStringLiteral("Sehir"), QStringLiteral("Telefon"), QStringLiteral("VergiDa"),
                     QStringLiteral("VergiNo"), QStringLiteral("Ilgili"), QStringLiteral("Sistem"),
                     QStringLiteral("MarkaModel"), QStringLiteral("SeriNo"), QStringLiteral("ServisiYapan"),
                     QStringLiteral("TeslimAlan"), QStringLiteral("TahilatBilgisi"),
                     QStringLiteral("BasvuruSebebi"), QStringLiteral("YapilanIs"), QStringLiteral("Sonuc"),
                     QStringLiteral("Email")});
    return {{"Servis", servis},
            {"Cari", texts({QStringLiteral("Unvan"), QStringLiteral("Adres1"), QStringLiteral("Adres2"),
                            QStringLiteral("Sehir"), QStringLiteral("Telefon"), QStringLiteral("VergiDa"),
                            QStringLiteral("VergiNo"), QStringLiteral("Email")})}};
}

QList<Table> stokTables() {
    QStringList hareket{QStringLiteral("StokHarKod TEXT"), QStringLiteral("Tarih DATE")};
    hareket << texts({QStringLiteral("SeriNo"), QStringLiteral("StokAd"), QStringLiteral("Unvan"),
                      QStringLiteral("Barkod"), QStringLiteral("KayitNo")});
    return {{"StokHareket", hareket},
            {"StokKartlar",
             texts({QStringLiteral("StokKod"), QStringLiteral("StokAd"), QStringLiteral("Barkod"),
                    QStringLiteral("Serino"), QStringLiteral("Gurup"), QStringLiteral("AltGurup")})},
            {"Gurup", texts({QStringLiteral("Gurup")})},
            {"AltGurup", texts({QStringLiteral("Gurup"), QStringLiteral("AltGurup")})}};
}

QList<Table> tablesOf(const QString& fileName) {
    return fileName.compare(kStokFile, Qt::CaseInsensitive) == 0 ? stokTables() : servisTables();
}

// Tables and triggers that later versions added: made in place in older files, so the check of a
// file does not ask for them.
QList<Table> addedTablesOf(const QString& fileName) {
    if (fileName.compare(kStokFile, Qt::CaseInsensitive) == 0)
        return {};
    return {{"Bildirim",
             {QStringLiteral("KayitNo TEXT"), QStringLiteral("Tarih DATE"), QStringLiteral("Saat TIME"),
              QStringLiteral("Yol TEXT"), QStringLiteral("Adres TEXT"), QStringLiteral("Metin TEXT")}}};
}

// The notifications of a record follow its code when it is changed and go when it is deleted,
// whichever program changes the file.
QStringList addedTriggersOf(const QString& fileName) {
    if (fileName.compare(kStokFile, Qt::CaseInsensitive) == 0)
        return {};
    return {
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS Servis_Bildirim_KayitNo AFTER UPDATE OF ServisKayitNo "
                       "ON Servis WHEN OLD.ServisKayitNo IS NOT NEW.ServisKayitNo BEGIN UPDATE Bildirim "
                       "SET KayitNo = NEW.ServisKayitNo WHERE KayitNo = OLD.ServisKayitNo; END"),
        QStringLiteral("CREATE TRIGGER IF NOT EXISTS Servis_Bildirim_Sil AFTER DELETE ON Servis BEGIN "
                       "DELETE FROM Bildirim WHERE KayitNo = OLD.ServisKayitNo; END")};
}

QString create(const Table& t) {
    return QStringLiteral("CREATE TABLE %1 (\n    ID INTEGER PRIMARY KEY,\n    %2\n)")
        .arg(QLatin1String(t.name), t.fields.join(QStringLiteral(",\n    ")));
}

// Case-insensitive look-ups compare the folded field; this index serves them. It uses only
// SQLite's built-in functions, so the file stays usable in any SQLite tool.
QString foldedIndex(const QString& table, const QString& field) {
    return QStringLiteral("CREATE INDEX %1_%2_Fold ON %1 (%3)").arg(table, field, engine::foldSql(field));
}

// Sorted record sets order by the order key, the field and the record key; this index holds
// them in that order, so a sort by the field reads the index instead of sorting every row.
QString orderIndex(const QString& table, const QString& field) {
    return QStringLiteral("CREATE INDEX %1_%2_Order ON %1 (%3, \"%2\")")
        .arg(table, field, engine::orderKeySql(field));
}

// A device's or a customer's records: found by the match key, read newest first from the index.
QString historyIndex(const QString& field) {
    return QStringLiteral("CREATE INDEX Servis_%1_Key ON Servis (%2, KayitTarih, KayitSaat)")
        .arg(field, matchKeySql(field));
}

QStringList servisIndexes() {
    return {
        QStringLiteral("CREATE UNIQUE INDEX Servis_ServisKayitNo ON Servis (ServisKayitNo)"),
        foldedIndex(QStringLiteral("Servis"), QStringLiteral("Unvan")),
        foldedIndex(QStringLiteral("Servis"), QStringLiteral("Sehir")),
        foldedIndex(QStringLiteral("Servis"), QStringLiteral("ServisiYapan")),
        foldedIndex(QStringLiteral("Servis"), QStringLiteral("SeriNo")),
        foldedIndex(QStringLiteral("Cari"), QStringLiteral("Unvan")),
        QStringLiteral("CREATE INDEX Bildirim_KayitNo ON Bildirim (KayitNo)"),
        historyIndex(QStringLiteral("SeriNo")),
        historyIndex(QStringLiteral("Unvan")),
    };
}

QStringList stokIndexes() {
    return {
        QStringLiteral("CREATE INDEX StokHareket_KayitNo ON StokHareket (KayitNo)"),
        QStringLiteral("CREATE INDEX StokHareket_StokHarKod ON StokHareket (StokHarKod)"),
        QStringLiteral("CREATE INDEX StokKartlar_StokKod ON StokKartlar (StokKod)"),
        foldedIndex(QStringLiteral("StokKartlar"), QStringLiteral("StokKod")),
        foldedIndex(QStringLiteral("StokKartlar"), QStringLiteral("StokAd")),
        foldedIndex(QStringLiteral("StokKartlar"), QStringLiteral("Barkod")),
        foldedIndex(QStringLiteral("StokKartlar"), QStringLiteral("Serino")),
        QStringLiteral("CREATE INDEX AltGurup_Gurup ON AltGurup (Gurup)"),
        // A card's uses are found by its code, compared without regard to case: without this the
        // deletion of a card reads every use.
        foldedIndex(QStringLiteral("StokHareket"), QStringLiteral("StokHarKod")),
        // The group filter: one group's cards, already in the list's code order.
        QStringLiteral("CREATE INDEX StokKartlar_Gurup_StokKod ON StokKartlar (%1, %2, \"StokKod\")")
            .arg(engine::foldSql(QStringLiteral("Gurup")), engine::orderKeySql(QStringLiteral("StokKod"))),
        // The stock list sorts by any of its four columns.
        orderIndex(QStringLiteral("StokKartlar"), QStringLiteral("StokKod")),
        orderIndex(QStringLiteral("StokKartlar"), QStringLiteral("StokAd")),
        orderIndex(QStringLiteral("StokKartlar"), QStringLiteral("Barkod")),
        orderIndex(QStringLiteral("StokKartlar"), QStringLiteral("Serino")),
    };
}

QStringList indexesOf(const QString& fileName) {
    return fileName.compare(kStokFile, Qt::CaseInsensitive) == 0 ? stokIndexes() : servisIndexes();
}

QString createAdded(const Table& t) {
    return create(t).replace(QStringLiteral("CREATE TABLE "), QStringLiteral("CREATE TABLE IF NOT EXISTS "));
}

} // namespace

QString matchKey(QStringView text) {
    const QString folded = engine::foldText(text);
    qsizetype from = 0;
    qsizetype to = folded.size();
    while (from < to && kBlanks.contains(folded[from]))
        ++from;
    while (to > from && kBlanks.contains(folded[to - 1]))
        --to;
    return folded.mid(from, to - from);
}

QString matchKeySql(const QString& column) {
    return QStringLiteral("trim(%1, char(32, 9, 10, 13))").arg(engine::foldSql(column));
}

QStringList servisStatements() {
    return statementsOf(kServisFile);
}

QStringList stokStatements() {
    return statementsOf(kStokFile);
}

QStringList originalTablesOf(const QString& fileName) {
    QStringList out;
    for (const Table& t : tablesOf(fileName))
        out << QLatin1String(t.name);
    return out;
}

QStringList statementsOf(const QString& fileName) {
    QStringList out;
    for (const Table& t : tablesOf(fileName))
        out << create(t);
    for (const Table& t : addedTablesOf(fileName))
        out << create(t);
    return out + addedTriggersOf(fileName) + indexesOf(fileName);
}

QStringList createMissingDatabases(const QString& directory) {
    QDir().mkpath(directory);
    const QDir dir(directory);
    QStringList made;
    for (const QString& name : {kServisFile, kStokFile}) {
        const QString path = dir.filePath(name);
        if (QFileInfo::exists(path))
            continue;
        engine::createDatabaseFile(path, statementsOf(name));
        made << path;
    }
    return made;
}

void upgradeInPlace(engine::Database& db, const QString& fileName) {
    QStringList added;
    for (const Table& t : addedTablesOf(fileName))
        added << createAdded(t);
    for (const QString& statement : added + addedTriggersOf(fileName)) {
        try {
            db.exec(statement);
        } catch (const engine::DbError& e) {
            // A read-only file stays as it is; what needs the new table says so when it is used.
            qCWarning(lcSchema) << "table not added:" << db.path() << e.description();
        }
    }
    for (QString index : indexesOf(fileName)) {
        index.replace(QRegularExpression(QStringLiteral("^CREATE (UNIQUE )?INDEX ")),
                      QStringLiteral("CREATE \\1INDEX IF NOT EXISTS "));
        try {
            db.exec(index);
        } catch (const engine::DbError& e) {
            // A read-only file or old duplicates keep the file as it is; it still works, slower.
            qCWarning(lcSchema) << "index not added:" << db.path() << e.description();
        }
    }
}

QString checkDatabaseFile(const QString& path, const QString& fileName, Upgrade upgrade) {
    const QString name = QFileInfo(path).fileName();
    if (!QFileInfo(path).isFile())
        return QStringLiteral("%1 dosyası bulunamadı (%2).").arg(name, path);
    std::shared_ptr<engine::Database> db;
    try {
        db = engine::Database::open(path);
    } catch (const engine::DbError& e) {
        return QStringLiteral("%1 bu programın veritabanı değil ya da bozuk.\n\n%2")
            .arg(name, e.description());
    }
    QStringList missing;
    bool complete = true;
    for (const Table& t : tablesOf(fileName)) {
        const QString table = QLatin1String(t.name);
        try {
            const engine::TableInfo& info = db->table(table);
            QStringList fields;
            for (const QString& f : t.fields)
                if (info.indexOf(f.section(u' ', 0, 0)) < 0)
                    fields << f.section(u' ', 0, 0);
            if (!fields.isEmpty()) {
                complete = false;
                missing << QStringLiteral("%1 tablosunda %2 alanları")
                               .arg(table, fields.join(QStringLiteral(", ")));
            }
        } catch (const engine::DbError&) {
            complete = false;
            missing << QStringLiteral("%1 tablosu").arg(table);
        }
    }
    if (!complete)
        return QStringLiteral("%1 bu programın veritabanı değil: %2 eksik.")
            .arg(name, missing.join(QStringLiteral("; ")));
    if (upgrade == Upgrade::InPlace)
        upgradeInPlace(*db, fileName);
    return {};
}

QString checkWritable(const QString& path) {
    const QFileInfo info(path);
    const QByteArray file = QFile::encodeName(info.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    if (::access(file.constData(), W_OK) != 0)
        return QStringLiteral("%1 dosyasına yazılamıyor (salt okunur).").arg(info.fileName());
    if (::access(folder.constData(), W_OK) != 0)
        return QStringLiteral("%1 dosyasının klasörüne yazılamıyor (%2).")
            .arg(info.fileName(), info.absolutePath());
    return {};
}

} // namespace schema
