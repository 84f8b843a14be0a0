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

struct Index {
    QString name;
    QString table;
    QStringList columns; // column names or expressions of the store's own functions
    bool unique = false;
    QStringList included = {}; // on a server: fields the index holds beside its order, not ordered by
};

// Field names as the store spells them: a server folds unquoted names to lower case, so its
// expressions name them so too.
QString nameIn(const QString& field, engine::Dialect d) {
    return d == engine::Dialect::Postgres ? field.toLower() : field;
}

// Orders end with the record key; SQLite keeps it in every index, a server only where named.
QStringList withKey(QStringList columns, engine::Dialect d) {
    if (d == engine::Dialect::Postgres)
        columns << QStringLiteral("ID");
    return columns;
}

// Case-insensitive look-ups compare the folded field; this index serves them. It uses only the
// store's built-in functions, so the file stays usable in any SQLite tool. On a server it also
// holds the record key, and the field itself, without which the server's planner reads every
// matching row from the table: a filter's keys then come from the index alone, those of an equal
// value already in key order.
Index foldedIndex(const QString& table, const QString& field, engine::Dialect d) {
    Index index{
        table + u'_' + field + QStringLiteral("_Fold"), table, {engine::foldSql(nameIn(field, d), d)}};
    if (d == engine::Dialect::Postgres) {
        index.columns << QStringLiteral("ID");
        index.included << nameIn(field, d);
    }
    return index;
}

// Sorted record sets order by the order key, the field and the record key; this index holds
// them in that order, so a sort by the field reads the index instead of sorting every row.
Index orderIndex(const QString& table, const QString& field, engine::Dialect d) {
    return {table + u'_' + field + QStringLiteral("_Order"), table,
            withKey({engine::orderKeySql(nameIn(field, d), d), u'"' + nameIn(field, d) + u'"'}, d)};
}

// A device's or a customer's records: found by the match key, read newest first from the index.
Index historyIndex(const QString& field, engine::Dialect d) {
    return {QStringLiteral("Servis_%1_Key").arg(field),
            QStringLiteral("Servis"),
            {matchKeySql(nameIn(field, d), d), QStringLiteral("KayitTarih"), QStringLiteral("KayitSaat")}};
}

QList<Index> servisIndexes(engine::Dialect d) {
    const QString servis = QStringLiteral("Servis");
    return {
        {QStringLiteral("Servis_ServisKayitNo"), servis, {QStringLiteral("ServisKayitNo")}, true},
        foldedIndex(servis, QStringLiteral("Unvan"), d),
        foldedIndex(servis, QStringLiteral("Sehir"), d),
        foldedIndex(servis, QStringLiteral("ServisiYapan"), d),
        foldedIndex(servis, QStringLiteral("SeriNo"), d),
        foldedIndex(QStringLiteral("Cari"), QStringLiteral("Unvan"), d),
        {QStringLiteral("Bildirim_KayitNo"), QStringLiteral("Bildirim"), {QStringLiteral("KayitNo")}},
        historyIndex(QStringLiteral("SeriNo"), d),
        historyIndex(QStringLiteral("Unvan"), d),
    };
}

QList<Index> stokIndexes(engine::Dialect d) {
    const QString cards = QStringLiteral("StokKartlar");
    return {
        {QStringLiteral("StokHareket_KayitNo"), QStringLiteral("StokHareket"), {QStringLiteral("KayitNo")}},
        {QStringLiteral("StokHareket_StokHarKod"),
         QStringLiteral("StokHareket"),
         {QStringLiteral("StokHarKod")}},
        {QStringLiteral("StokKartlar_StokKod"), cards, {QStringLiteral("StokKod")}},
        foldedIndex(cards, QStringLiteral("StokKod"), d),
        foldedIndex(cards, QStringLiteral("StokAd"), d),
        foldedIndex(cards, QStringLiteral("Barkod"), d),
        foldedIndex(cards, QStringLiteral("Serino"), d),
        {QStringLiteral("AltGurup_Gurup"), QStringLiteral("AltGurup"), {QStringLiteral("Gurup")}},
        // A card's uses are found by its code, compared without regard to case: without this the
        // deletion of a card reads every use.
        foldedIndex(QStringLiteral("StokHareket"), QStringLiteral("StokHarKod"), d),
        // The group filter: one group's cards, already in the list's code order.
        {QStringLiteral("StokKartlar_Gurup_StokKod"), cards,
         withKey({engine::foldSql(nameIn(QStringLiteral("Gurup"), d), d),
                  engine::orderKeySql(nameIn(QStringLiteral("StokKod"), d), d),
                  u'"' + nameIn(QStringLiteral("StokKod"), d) + u'"'},
                 d)},
        // The stock list sorts by any of its four columns.
        orderIndex(cards, QStringLiteral("StokKod"), d),
        orderIndex(cards, QStringLiteral("StokAd"), d),
        orderIndex(cards, QStringLiteral("Barkod"), d),
        orderIndex(cards, QStringLiteral("Serino"), d),
    };
}

bool isStok(const QString& fileName) {
    return fileName.compare(kStokFile, Qt::CaseInsensitive) == 0;
}

// On a server every column is an expression in parentheses (a plain column stays a plain one
// there) and the table is named with its schema.
QString createIndex(const Index& index, engine::Dialect d, const QString& schema = {}) {
    if (d == engine::Dialect::Sqlite)
        return QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
            .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(), index.name, index.table,
                 index.columns.join(QStringLiteral(", ")));
    QStringList columns;
    for (const QString& c : index.columns)
        columns << u'(' + c + u')';
    return QStringLiteral("CREATE %1INDEX %2 ON %3.%4 (%5)%6")
        .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(), index.name, schema, index.table,
             columns.join(QStringLiteral(", ")),
             index.included.isEmpty() ? QString()
                                      : QStringLiteral(" INCLUDE (%1)").arg(index.included.join(u", ")));
}

QStringList indexesOf(const QString& fileName) {
    QStringList out;
    for (const Index& i :
         isStok(fileName) ? stokIndexes(engine::Dialect::Sqlite) : servisIndexes(engine::Dialect::Sqlite))
        out << createIndex(i, engine::Dialect::Sqlite);
    return out;
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

QString matchKeySql(const QString& column, engine::Dialect d) {
    if (d == engine::Dialect::Postgres)
        return QStringLiteral("btrim(%1, E' \\t\\n\\r')").arg(engine::foldSql(column, d));
    return QStringLiteral("trim(%1, char(32, 9, 10, 13))").arg(engine::foldSql(column, d));
}

QStringList servisStatements() {
    return statementsOf(kServisFile);
}

QStringList stokStatements() {
    return statementsOf(kStokFile);
}

QStringList tableNamesOf(const QString& fileName) {
    QStringList out;
    for (const Table& t : tablesOf(fileName) + addedTablesOf(fileName))
        out << QLatin1String(t.name);
    return out;
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

namespace {

// The server's own word for each type the files declare; texts compare byte by byte there too.
QString serverColumn(const QString& field) {
    const QString name = field.section(u' ', 0, 0);
    QString type = field.section(u' ', 1).toUpper();
    if (type.startsWith(QLatin1String("TEXT")))
        type.replace(0, 4, QStringLiteral("text COLLATE \"C\""));
    return name + u' ' + type;
}

QString serverTable(const QString& schema, const Table& t) {
    QStringList columns{QStringLiteral("ID bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY")};
    for (const QString& f : t.fields)
        columns << serverColumn(f);
    return QStringLiteral("CREATE TABLE %1.%2 (%3)")
        .arg(schema, QLatin1String(t.name), columns.join(QStringLiteral(", ")));
}

// Every committed write is announced to the other desks on the schema's channel, once per
// statement, with the table's name.
QStringList announcements(const QString& schema, const QList<Table>& tables) {
    QStringList out{QStringLiteral("CREATE FUNCTION %1.kts_duyur() RETURNS trigger LANGUAGE plpgsql AS $$ "
                                   "BEGIN PERFORM pg_notify('kts_' || TG_TABLE_SCHEMA, TG_TABLE_NAME); "
                                   "RETURN NULL; END $$")
                        .arg(schema)};
    for (const Table& t : tables)
        out << QStringLiteral("CREATE TRIGGER %2_duyur AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON %1.%2 "
                              "FOR EACH STATEMENT EXECUTE FUNCTION %1.kts_duyur()")
                   .arg(schema, QLatin1String(t.name));
    return out;
}

// A schema's comment names the program and the version of the schema: 2 when the folded indexes
// came to hold the record key and the field.
const QString kSchemaCommentPrefix = QStringLiteral("Kelvora Teknik Servis ");
constexpr int kServerVersion = 2;

QList<Index> serverIndexesOf(const QString& fileName) {
    return isStok(fileName) ? stokIndexes(engine::Dialect::Postgres)
                            : servisIndexes(engine::Dialect::Postgres);
}

QString commentOn(const QString& schema) {
    return QStringLiteral("COMMENT ON SCHEMA %1 IS '%2'").arg(schema, serverSchemaComment());
}

// What brings the schema of a file from an older version of ours to the current one.
QStringList serverUpgrade(const QString& fileName, int from) {
    const QString schema = serverSchemaOf(fileName);
    QStringList out;
    QStringList analysed;
    if (from < 2) {
        for (const Index& i : serverIndexesOf(fileName)) {
            if (i.included.isEmpty())
                continue;
            out << QStringLiteral("DROP INDEX IF EXISTS %1.%2").arg(schema, i.name)
                << createIndex(i, engine::Dialect::Postgres, schema);
            if (!analysed.contains(i.table))
                analysed << i.table;
        }
    }
    // The planner knows a new index's values only once the table is analysed again.
    for (const QString& table : analysed)
        out << QStringLiteral("ANALYZE %1.%2").arg(schema, table);
    return out << commentOn(schema);
}

// Brings a schema of ours on the server up to date in one transaction, once however many desks
// start at the same moment. A desk whose user may not change the schema works on with it as it
// is, slower.
void upgradeServerSchema(engine::Database& db, const QString& fileName) {
    const int from = serverSchemaVersion(db.schemaComment());
    if (from == 0 || from >= kServerVersion)
        return;
    const QString schema = serverSchemaOf(fileName);
    // Another desk may have brought it up to date since this one connected.
    const auto version = [&] {
        engine::Statement s = db.prepare(QStringLiteral(
            "SELECT coalesce(obj_description(oid, 'pg_namespace'), '') FROM pg_namespace WHERE nspname = ?"));
        s.bind(1, schema);
        return s.step() ? serverSchemaVersion(s.value(0).toString()) : 0;
    };
    try {
        engine::Database::Transaction transaction(db);
        // Other desks' work holds the tables now and then; a start waits for it only so long, and
        // the next start tries again.
        db.exec(QStringLiteral("SET LOCAL lock_timeout = '10s'"));
        engine::Statement lock = db.prepare(QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(?))"));
        lock.bind(1, QStringLiteral("kts_upgrade_") + schema);
        lock.run();
        const int now = version();
        if (now == 0 || now >= kServerVersion)
            return;
        for (const QString& statement : serverUpgrade(fileName, now))
            db.exec(statement);
        transaction.commit();
        qCInfo(lcSchema) << "server schema" << schema << "upgraded from version" << now;
    } catch (const engine::DbError& e) {
        qCWarning(lcSchema) << "server schema not upgraded:" << schema << e.description();
    }
}

} // namespace

int serverSchemaVersion(const QString& comment) {
    if (!comment.startsWith(kSchemaCommentPrefix))
        return 0;
    bool ok = false;
    const int version = comment.mid(kSchemaCommentPrefix.size()).toInt(&ok);
    return ok && version > 0 ? version : 0;
}

QString serverSchemaOf(const QString& fileName) {
    return QFileInfo(fileName).completeBaseName().toLower();
}

QStringList serverStatements() {
    QStringList out;
    for (const QString& file : {kServisFile, kStokFile}) {
        const QString schema = serverSchemaOf(file);
        QList<Table> tables = tablesOf(file) + addedTablesOf(file);
        if (!isStok(file))
            tables << Table{"MalzemeTasima",
                            {QStringLiteral("StokHareketID INTEGER NOT NULL"), QStringLiteral("EskiKod TEXT"),
                             QStringLiteral("YeniKod TEXT NOT NULL")}};
        out << QStringLiteral("CREATE SCHEMA %1").arg(schema);
        for (const Table& t : tables)
            out << serverTable(schema, t);
        for (const Index& i : serverIndexesOf(file))
            out << createIndex(i, engine::Dialect::Postgres, schema);
        out << announcements(schema, tables);
        out << commentOn(schema);
    }
    // The notifications of a record follow its code when it is changed and go when it is deleted,
    // whichever desk changes it.
    out << QStringLiteral(
        "CREATE FUNCTION servis.bildirim_izle() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
        "IF TG_OP = 'DELETE' THEN DELETE FROM servis.Bildirim WHERE KayitNo = OLD.ServisKayitNo; RETURN OLD; "
        "END IF; "
        "IF OLD.ServisKayitNo IS DISTINCT FROM NEW.ServisKayitNo THEN UPDATE servis.Bildirim SET KayitNo = "
        "NEW.ServisKayitNo WHERE KayitNo = OLD.ServisKayitNo; END IF; RETURN NEW; END $$");
    out << QStringLiteral(
        "CREATE TRIGGER servis_bildirim AFTER DELETE OR UPDATE OF ServisKayitNo ON servis.Servis "
        "FOR EACH ROW EXECUTE FUNCTION servis.bildirim_izle()");
    return out;
}

QString serverSchemaComment() {
    return kSchemaCommentPrefix + QString::number(kServerVersion);
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
    // A server's schemas are laid down whole by kts-server, and keep their version in a comment.
    if (db.dialect() != engine::Dialect::Sqlite) {
        upgradeServerSchema(db, fileName);
        return;
    }
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

namespace {
QString checkTables(engine::Database& db, const QString& name, const QString& fileName, Upgrade upgrade);
}

QString checkDatabaseFile(const QString& path, const QString& fileName, Upgrade upgrade) {
    const QString name = QFileInfo(path).fileName();
    if (!QFileInfo(path).isFile())
        return QStringLiteral("%1 dosyası bulunamadı (%2).").arg(name, path);
    std::shared_ptr<engine::Database> db;
    try {
        db = engine::Database::openFile(path);
    } catch (const engine::DbError& e) {
        return QStringLiteral("%1 bu programın veritabanı değil ya da bozuk.\n\n%2")
            .arg(name, e.description());
    }
    return checkTables(*db, name, fileName, upgrade);
}

QString checkLiveDatabase(const QString& path, const QString& fileName,
                          std::shared_ptr<engine::Database>* opened) {
    if (engine::server().isEmpty())
        return checkDatabaseFile(path, fileName);
    std::shared_ptr<engine::Database> db;
    try {
        db = engine::Database::open(path);
    } catch (const engine::DbError& e) {
        // A server that cannot be reached, or holds no schema of ours, says so in its own words.
        return e.description();
    }
    if (opened)
        *opened = db;
    return checkTables(*db, QFileInfo(path).fileName(), fileName, Upgrade::InPlace);
}

namespace {

QString checkTables(engine::Database& db, const QString& name, const QString& fileName, Upgrade upgrade) {
    QStringList missing;
    bool complete = true;
    for (const Table& t : tablesOf(fileName)) {
        const QString table = QLatin1String(t.name);
        try {
            const engine::TableInfo& info = db.table(table);
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
        upgradeInPlace(db, fileName);
    return {};
}

} // namespace

QString checkWritable(const QString& path) {
    if (!engine::server().isEmpty())
        return {}; // the server says so itself at the first write it refuses
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
