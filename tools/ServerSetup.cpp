#include "ServerSetup.h"

#include "RegString.h"
#include "Schema.h"
#include "Settings.h"
#include "engine/Database.h"
#include "engine/DbError.h"
#include "engine/PgStore.h"

#include <QDate>
#include <QDir>
#include <QLockFile>
#include <QTextStream>
#include <QTime>
#include <algorithm>
#include <limits>

namespace serversetup {

namespace {

// What the command refuses or fails at, with the exit code it ends with.
struct Stop {
    QString text;
    int code = Failed;
};

const QString kSunucu = QStringLiteral("Sunucu");
// Nothing of a failed load stays: the transaction it ran in is rolled back.
const QString kNothingLeft = QStringLiteral("Sunucuda hiçbir şey bırakılmadı.");
constexpr qint64 kProgressStep = 100000;

QStringList programSchemas() {
    return {schema::serverSchemaOf(schema::kServisFile), schema::serverSchemaOf(schema::kStokFile)};
}

// A name in double quotes, for SQLite and the server alike.
QString ident(const QString& name) {
    return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

void checkConninfo(const QString& conninfo) {
    // An empty setting means "the files of the program directory": it cannot name a server.
    if (conninfo.trimmed().isEmpty())
        throw Stop{QStringLiteral("Bağlantı bilgisi boş. Sunucuyu \"host=SUNUCU dbname=VERITABANI "
                                  "user=KULLANICI\" biçiminde verin.")};
    QHash<QString, QString> options;
    try {
        options = engine::conninfoOptions(conninfo);
    } catch (const engine::DbError& e) {
        throw Stop{e.description()};
    }
    if (options.contains(QStringLiteral("password")))
        throw Stop{QStringLiteral(
            "Bağlantı bilgisinde parola var. Parola komut satırında verilmez ve hiçbir yerde saklanmaz: "
            "bağlantı bilgisinden çıkarıp ~/.pgpass dosyasına yazın (bir satır: "
            "sunucu:port:veritabanı:kullanıcı:parola, dosyanın izinleri 0600).")};
}

std::unique_ptr<engine::ServerLoad> connect(const QString& conninfo) {
    try {
        return std::make_unique<engine::ServerLoad>(conninfo);
    } catch (const engine::DbError& e) {
        throw Stop{e.description(), Unreachable};
    }
}

bool schemaExists(engine::ServerLoad& load, const QString& name) {
    return !load.rows(QStringLiteral("SELECT 1 FROM pg_namespace WHERE nspname = $1"), {name}).isEmpty();
}

bool isIndex(const QString& statement) {
    return statement.startsWith(QLatin1String("CREATE INDEX ")) ||
           statement.startsWith(QLatin1String("CREATE UNIQUE INDEX "));
}

// Lays both schemas down in the load's transaction; a server that already holds either is refused,
// as nothing on it is ever dropped. The indexes come last when rows are to be loaded first:
// built once over the loaded rows, they cost a fraction of keeping them row by row.
enum class Indexes { Now, Later };
QStringList createSchemas(engine::ServerLoad& load, const QString& server, Indexes indexes = Indexes::Now) {
    QStringList present;
    for (const QString& s : programSchemas())
        if (schemaExists(load, s))
            present << s;
    if (!present.isEmpty())
        throw Stop{
            QStringLiteral("%1 üzerinde %2 şeması zaten var; hiçbir şey değiştirilmedi. Kurulum yalnızca "
                           "bu şemaların olmadığı bir veritabanına yapılır, var olanlar silinmez.")
                .arg(server, present.join(QStringLiteral(" ve ")))};
    QStringList later;
    for (const QString& statement : schema::serverStatements()) {
        if (indexes == Indexes::Later && isIndex(statement))
            later << statement;
        else
            load.run(statement);
    }
    return later;
}

QStringList serverTables(engine::ServerLoad& load, const QString& schemaName) {
    QStringList out;
    for (const QStringList& row : load.rows(
             QStringLiteral("SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                            "WHERE n.nspname = $1 AND c.relkind = 'r' ORDER BY c.relname"),
             {schemaName}))
        out << row[0];
    return out;
}

enum class Kind { Text, Integer, Date, Time, Other };

struct Column {
    QString name; // as the server spells it
    Kind kind = Kind::Other;
    qint64 min = std::numeric_limits<qint64>::min();
    qint64 max = std::numeric_limits<qint64>::max();
    int fileIndex = -1; // in the file's SELECT *
    QString fileName;   // as the file spells it
};

QList<Column> serverColumns(engine::ServerLoad& load, const QString& schemaName, const QString& table) {
    QList<Column> out;
    for (const QStringList& row :
         load.rows(QStringLiteral(
                       "SELECT a.attname, format_type(a.atttypid, a.atttypmod) FROM pg_attribute a "
                       "JOIN pg_class c ON c.oid = a.attrelid JOIN pg_namespace n ON n.oid = c.relnamespace "
                       "WHERE n.nspname = $1 AND c.relname = $2 AND a.attnum > 0 AND NOT a.attisdropped "
                       "ORDER BY a.attnum"),
                   {schemaName, table})) {
        Column c;
        c.name = row[0];
        const QString& type = row[1];
        if (type == QLatin1String("smallint")) {
            c.kind = Kind::Integer;
            c.min = std::numeric_limits<qint16>::min();
            c.max = std::numeric_limits<qint16>::max();
        } else if (type == QLatin1String("integer")) {
            c.kind = Kind::Integer;
            c.min = std::numeric_limits<qint32>::min();
            c.max = std::numeric_limits<qint32>::max();
        } else if (type == QLatin1String("bigint")) {
            c.kind = Kind::Integer;
        } else if (type == QLatin1String("date")) {
            c.kind = Kind::Date;
        } else if (type.startsWith(QLatin1String("time without"))) {
            c.kind = Kind::Time;
        } else if (type == QLatin1String("text") || type.startsWith(QLatin1String("character"))) {
            c.kind = Kind::Text;
        }
        out << c;
    }
    return out;
}

QTime timeOf(const QString& s) {
    QTime t = QTime::fromString(s, QStringLiteral("HH:mm:ss"));
    return t.isValid() ? t : QTime::fromString(s, QStringLiteral("HH:mm"));
}

// The value the server is to hold for what the file holds, read as the program reads it: a date
// is ISO text (what follows the day only a time, which a date column drops), a time HH:mm:ss or
// HH:mm. Anything the server would refuse or store differently is left to `refuse`, which names
// the value.
QVariant toServer(const QVariant& v, const Column& c, const std::function<void(const QString&)>& refuse) {
    if (!v.isValid() || v.isNull())
        return v;
    switch (c.kind) {
    case Kind::Date: {
        const QString s = v.toString();
        const QDate d = QDate::fromString(s.left(10), Qt::ISODate);
        const bool timeAfter =
            s.size() > 11 && (s[10] == u'T' || s[10] == u' ') && timeOf(s.mid(11)).isValid();
        if (!d.isValid() || (s.size() > 10 && !timeAfter))
            refuse(QStringLiteral("\"%1\" bir tarih değil (YYYY-AA-GG bekleniyor)").arg(s));
        return d;
    }
    case Kind::Time: {
        const QString s = v.toString();
        const QTime t = timeOf(s);
        if (!t.isValid())
            refuse(QStringLiteral("\"%1\" bir saat değil (SS:DD:ss bekleniyor)").arg(s));
        return t;
    }
    case Kind::Integer: {
        bool ok = false;
        qint64 n = 0;
        if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int) {
            n = v.toLongLong();
            ok = true;
        } else if (v.typeId() == QMetaType::Double) {
            const double d = v.toDouble();
            ok = d == static_cast<double>(static_cast<qint64>(d));
            n = static_cast<qint64>(d);
        } else {
            n = v.toString().trimmed().toLongLong(&ok);
        }
        if (!ok || n < c.min || n > c.max)
            refuse(QStringLiteral("\"%1\" bu alana uygun bir tam sayı değil").arg(v.toString()));
        return n;
    }
    case Kind::Text: {
        const QString s = v.toString();
        // The server's texts cannot hold the NUL character; it would be lost or refused.
        if (s.contains(QChar(0)))
            refuse(QStringLiteral("metinde NUL karakteri var"));
        return s;
    }
    case Kind::Other:
        break;
    }
    return v;
}

// Rolls back the file's read transaction however the move ends; nothing was written to the file.
class FileSnapshot {
public:
    explicit FileSnapshot(engine::Database& db)
        : db_(db) {
        // One moment of the file: the rows sent and the rows counted are the same rows.
        db_.exec(QStringLiteral("BEGIN"));
    }
    ~FileSnapshot() {
        try {
            db_.exec(QStringLiteral("ROLLBACK"));
        } catch (const engine::DbError&) {
        }
    }
    FileSnapshot(const FileSnapshot&) = delete;
    FileSnapshot& operator=(const FileSnapshot&) = delete;

private:
    engine::Database& db_;
};

qint64 fileCount(engine::Database& db, const QString& table) {
    engine::Statement s = db.prepare(QStringLiteral("SELECT count(*) FROM ") + ident(table));
    return s.step() ? s.int64(0) : 0;
}

// Copies every table of one file into its schema, checks the counts and moves each identity
// past the highest ID; returns the rows copied.
qint64 moveFile(engine::ServerLoad& load, const QString& path, const QString& fileName, QTextStream& out,
                QTextStream& err) {
    const QString schemaName = schema::serverSchemaOf(fileName);
    auto db = engine::Database::openFile(path);
    const FileSnapshot snapshot(*db);
    out << fileName << " -> " << schemaName << " şeması\n";

    QStringList fileTables;
    {
        engine::Statement s = db->prepare(QStringLiteral(
            "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
            "ORDER BY name"));
        while (s.step())
            fileTables << s.value(0).toString();
    }
    QStringList unmatched = serverTables(load, schemaName);
    qint64 total = 0;
    for (const QString& fileTable : fileTables) {
        const auto server = std::find_if(unmatched.begin(), unmatched.end(), [&](const QString& t) {
            return t.compare(fileTable, Qt::CaseInsensitive) == 0;
        });
        if (server == unmatched.end()) {
            out << "  " << fileTable << ": programın tablosu değil, taşınmadı\n";
            continue;
        }
        const QString serverTable = *server;
        unmatched.erase(server);

        const engine::TableInfo& info = db->table(fileTable);
        QList<Column> columns;
        for (const Column& c : serverColumns(load, schemaName, serverTable)) {
            const int i = info.indexOf(c.name);
            if (i < 0)
                continue; // not in this file: left empty
            columns << c;
            columns.last().fileIndex = i;
            columns.last().fileName = info.fields[i].name;
        }
        for (const engine::FieldInfo& f : info.fields)
            if (std::none_of(columns.cbegin(), columns.cend(),
                             [&](const Column& c) { return c.fileName == f.name; }))
                out << "  " << fileTable << "." << f.name << ": programın alanı değil, taşınmadı\n";
        QStringList names;
        for (const Column& c : columns)
            names << c.name;
        const int idIndex = info.indexOf(info.key.isEmpty() ? QStringLiteral("ID") : info.key);

        engine::Statement rows = db->prepare(QStringLiteral("SELECT * FROM ") + ident(fileTable));
        qint64 sent = 0;
        const QString* field = nullptr;
        const auto refuse = [&](const QString& why) {
            const QString id = idIndex >= 0 ? rows.value(idIndex).toString() : QString::number(sent + 1);
            throw Stop{
                QStringLiteral("%1 tablosunda ID %2 kaydının %3 alanı taşınamıyor: %4. Taşıma yapılmadı; "
                               "değeri düzeltip yeniden deneyin. %5")
                    .arg(fileTable, id, *field, why, kNothingLeft)};
        };
        const engine::ServerLoad::RowSource next = [&](QVariantList& row) {
            if (!rows.step())
                return false;
            row.resize(columns.size());
            for (qsizetype k = 0; k < columns.size(); ++k) {
                field = &columns[k].fileName;
                row[k] = toServer(rows.value(columns[k].fileIndex), columns[k], refuse);
            }
            if (++sent % kProgressStep == 0)
                err << "  " << fileTable << ": " << sent << " kayıt gönderildi...\n" << Qt::flush;
            return true;
        };
        load.copy(schemaName, serverTable, names, next);

        const qint64 inFile = fileCount(*db, fileTable);
        const qint64 onServer = load.count(schemaName, serverTable);
        if (onServer != inFile)
            throw Stop{QStringLiteral("%1 tablosu: dosyada %2 kayıt var, sunucuda %3. Taşıma geri alındı. %4")
                           .arg(fileTable)
                           .arg(inFile)
                           .arg(onServer)
                           .arg(kNothingLeft)};
        // New records go on from the highest ID, as they did in the file.
        load.rows(QStringLiteral(
                      "SELECT setval(pg_get_serial_sequence($1, 'id'), greatest(coalesce(max(id), 0), 0) "
                      "+ 1, false) FROM %1")
                      .arg(ident(schemaName) + u'.' + ident(serverTable)),
                  {ident(schemaName) + u'.' + ident(serverTable)});
        out << "  " << fileTable << ": " << inFile << " kayıt\n";
        total += inFile;
    }
    for (const QString& t : unmatched)
        out << "  " << t << ": dosyada yok, sunucuda boş\n";
    return total;
}

QString storedSunucu() {
    return RegReadString(registry::currentUser(), QString(settings::kKey), kSunucu).value_or(QString());
}

} // namespace

qint64 replaceWithPair(engine::ServerLoad& load, const QString& directory, QTextStream& out,
                       QTextStream& err) {
    try {
        load.run(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE")
                     .arg(programSchemas().join(QStringLiteral(", "))));
        const QStringList indexes = createSchemas(load, QString(), Indexes::Later);
        qint64 total = 0;
        for (const QString& name : {schema::kServisFile, schema::kStokFile})
            total += moveFile(load, QDir(directory).filePath(name), name, out, err);
        for (const QString& index : indexes)
            load.run(index);
        return total;
    } catch (const Stop& stop) {
        throw engine::DbError(engine::ErrEngine, stop.text);
    }
}

int init(const QString& conninfo, QTextStream& out, QTextStream&) {
    checkConninfo(conninfo);
    const QString server = engine::describeServer(conninfo);
    auto load = connect(conninfo);
    createSchemas(*load, server);
    load->commit();
    out << server << " üzerinde servis ve stok şemaları kuruldu (" << schema::serverSchemaComment()
        << "); tablolar boş.\n";
    return Done;
}

int move(const QString& conninfo, const QString& directory, QTextStream& out, QTextStream& err) {
    checkConninfo(conninfo);
    const QString dir = QDir(directory).absolutePath();
    for (const QString& name : {schema::kServisFile, schema::kStokFile}) {
        const QString problem =
            schema::checkDatabaseFile(QDir(dir).filePath(name), name, schema::Upgrade::No);
        if (!problem.isEmpty())
            throw Stop{problem + QStringLiteral(" Taşıma yapılmadı.")};
    }
    // Files this desk stopped using when it went over to a server are no longer the workshop's data.
    if (const QString current = storedSunucu(); !current.isEmpty())
        throw Stop{
            QStringLiteral("Bu masa zaten bir sunucu kullanıyor (Sunucu ayarı: %1); %2 içindeki dosyalar o "
                           "zamandan beri kullanılmıyor. Taşıma yapılmadı.")
                .arg(engine::describeServer(current), dir)};
    // The program's own lock: what it wrote during the move would stay behind in the files.
    QLockFile running(QDir(dir).filePath(QStringLiteral("KelvoraTeknikServis.lock")));
    running.setStaleLockTime(0);
    if (!running.tryLock(0) && running.error() == QLockFile::LockFailedError)
        throw Stop{QStringLiteral("Program %1 klasöründe çalışıyor; önce programı kapatın. Taşıma yapılmadı.")
                       .arg(dir)};

    const QString server = engine::describeServer(conninfo);
    auto load = connect(conninfo);
    qint64 total = 0;
    QStringList tables;
    try {
        const QStringList indexes = createSchemas(*load, server, Indexes::Later);
        for (const QString& name : {schema::kServisFile, schema::kStokFile})
            total += moveFile(*load, QDir(dir).filePath(name), name, out, err);
        err << "Dizinler kuruluyor...\n" << Qt::flush;
        for (const QString& index : indexes)
            load->run(index);
        for (const QString& s : programSchemas())
            for (const QString& table : serverTables(*load, s))
                tables << s + u'.' + table;
    } catch (const engine::DbError& e) {
        throw Stop{QStringLiteral("Taşıma yapılmadı: %1\n%2").arg(e.description(), kNothingLeft)};
    }
    try {
        load->commit();
    } catch (const engine::DbError& e) {
        throw Stop{QStringLiteral("Sunucu taşımayı onaylamadı: %1\nTaşımanın yazılıp yazılmadığını "
                                  "\"kts-server check\" ile görün.")
                       .arg(e.description())};
    }
    out << "Taşıma tamamlandı: " << total << " kayıt " << server << " üzerinde.\n";
    // The planner's statistics, and the visibility map that lets a filter read its keys from an
    // index alone, at once rather than when the server's autovacuum comes by; freezing marks every
    // page of the loaded tables in one pass.
    err << "Tablolar sunucuya tanıtılıyor...\n" << Qt::flush;
    try {
        engine::runOnServer(conninfo, {QStringLiteral("VACUUM (FREEZE, ANALYZE) ") + tables.join(u", ")},
                            engine::ServerTransaction::None);
    } catch (const engine::DbError& e) {
        out << "Not: tabloların istatistikleri çıkarılamadı (" << e.description()
            << "); sunucu bunu birazdan kendisi yapar, o zamana kadar aramalar biraz yavaş olabilir.\n";
    }

    const registry::Store settingsStore = registry::currentUser();
    const registry::Outcome written =
        RegWriteString(settingsStore, QString(settings::kKey), kSunucu, conninfo);
    if (!written.done || storedSunucu() != conninfo)
        throw Stop{QStringLiteral(
                       "Kayıtlar sunucuya taşındı, ancak Sunucu ayarı %1 dosyasına yazılamadı%2. Bu masada "
                       "ayarı elle ekleyin: [%3] bölümüne \"Sunucu\" = 1 \"%4\"")
                       .arg(settingsStore.filePath(),
                            written.error.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(written.error),
                            QString(settings::kKey), conninfo)};
    out << "Sunucu ayarı yazıldı (" << settingsStore.filePath() << "): bu masadaki program artık " << server
        << " sunucusunu kullanıyor.\n"
        << dir << " içindeki " << schema::kServisFile << " ve " << schema::kStokFile
        << " olduğu gibi bırakıldı; artık kullanılmıyorlar.\n"
        << "Diğer masalarda Sunucu ayarına aynı bağlantı bilgisini yazın.\n";
    return Done;
}

int check(const QString& conninfo, QTextStream& out, QTextStream&) {
    checkConninfo(conninfo);
    const QString server = engine::describeServer(conninfo);
    auto load = connect(conninfo);
    out << "Sunucu " << server << ": bağlantı kuruldu.\n";
    bool missing = false, foreign = false, older = false;
    const int current = schema::serverSchemaVersion(schema::serverSchemaComment());
    for (const QString& s : programSchemas()) {
        const QList<QStringList> rows = load->rows(
            QStringLiteral("SELECT coalesce(obj_description(oid, 'pg_namespace'), '') FROM pg_namespace "
                           "WHERE nspname = $1"),
            {s});
        const int version = rows.isEmpty() ? 0 : schema::serverSchemaVersion(rows[0][0]);
        if (rows.isEmpty()) {
            out << "  " << s << " şeması: yok\n";
            missing = true;
        } else if (version == current) {
            out << "  " << s << " şeması: var, güncel (" << rows[0][0] << ")\n";
        } else if (version > 0 && version < current) {
            out << "  " << s << " şeması: var, önceki bir sürümün (\"" << rows[0][0]
                << "\"); programın ilk açılışında yerinde güncellenir\n";
            older = true;
        } else {
            out << "  " << s << " şeması: var, ama bu sürümün değil (\"" << rows[0][0] << "\", beklenen \""
                << schema::serverSchemaComment() << "\")\n";
            foreign = true;
        }
    }
    for (const auto& [file, table] : {std::pair{schema::kServisFile, QStringLiteral("Servis")},
                                      std::pair{schema::kStokFile, QStringLiteral("StokKartlar")}}) {
        const QString s = schema::serverSchemaOf(file);
        if (!serverTables(*load, s).contains(table.toLower()))
            continue;
        out << "  " << table << ": " << load->count(s, table.toLower()) << " kayıt\n";
    }
    if (missing) {
        out << "Sunucu kurulmamış: \"kts-server init\" ya da \"kts-server move\" ile kurun.\n";
        return NotReady;
    }
    if (foreign) {
        out << "Sunucudaki şemalar bu programın sürümüne uymuyor.\n";
        return NotReady;
    }
    if (older) {
        out << "Sunucu kurulu; şemaları, bu sürümle ilk açılan masa kayıtlara dokunmadan günceller.\n";
        return Done;
    }
    out << "Sunucu kurulu ve güncel.\n";
    return Done;
}

int run(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    const QString command = arguments.value(0);
    const qsizetype expected = command == QLatin1String("move") ? 3 : 2;
    const bool known = command == QLatin1String("init") || command == QLatin1String("move") ||
                       command == QLatin1String("check");
    if (!known || arguments.size() != expected) {
        err << "Kullanım:\n"
               "  kts-server init BAĞLANTI          boş bir sunucu veritabanına servis ve stok şemalarını "
               "kurar\n"
               "  kts-server move BAĞLANTI KLASÖR   programın klasöründeki Servis.mdb ve Stok.mdb'yi "
               "sunucuya\n"
               "                                    taşır ve bu masanın Sunucu ayarını yazar\n"
               "  kts-server check BAĞLANTI         sunucunun kurulu ve güncel olup olmadığını söyler\n"
               "BAĞLANTI bir libpq bağlantı bilgisidir, örneğin \"host=sunucu dbname=servis user=atolye\".\n"
               "Parola buraya yazılmaz: libpq onu ~/.pgpass dosyasından okur.\n"
               "Çıkış kodu: 0 tamam, 1 hata ya da ret, 2 sunucuya ulaşılamadı, 3 şemalar eksik ya da eski.\n";
        return Failed;
    }
    try {
        if (command == QLatin1String("init"))
            return init(arguments[1], out, err);
        if (command == QLatin1String("move"))
            return move(arguments[1], arguments[2], out, err);
        return check(arguments[1], out, err);
    } catch (const Stop& stop) {
        out << Qt::flush;
        err << "kts-server: " << stop.text << '\n';
        return stop.code;
    } catch (const engine::DbError& e) {
        out << Qt::flush;
        err << "kts-server: " << e.description() << '\n';
        return Failed;
    }
}

} // namespace serversetup
