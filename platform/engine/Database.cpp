#include "Database.h"

#include "DbError.h"
#include "Text.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <mutex>
#include <sqlite3.h>

namespace engine {

namespace {

QString utf8(const unsigned char* s, int bytes) {
    return QString::fromUtf8(reinterpret_cast<const char*>(s), bytes);
}

// Decodes UTF-8 into code points without allocating on the hot path of a full scan.
void decode(const unsigned char* s, int n, std::u32string& out) {
    out.clear();
    for (int i = 0; i < n;) {
        const unsigned char c = s[i];
        char32_t cp;
        int len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if ((c >> 5) == 0x6 && i + 1 < n) {
            cp = ((c & 0x1F) << 6) | (s[i + 1] & 0x3F);
            len = 2;
        } else if ((c >> 4) == 0xE && i + 2 < n) {
            cp = ((c & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F);
            len = 3;
        } else if ((c >> 3) == 0x1E && i + 3 < n) {
            cp =
                ((c & 0x07) << 18) | ((s[i + 1] & 0x3F) << 12) | ((s[i + 2] & 0x3F) << 6) | (s[i + 3] & 0x3F);
            len = 4;
        } else {
            cp = 0xFFFD;
            len = 1;
        }
        out.push_back(cp);
        i += len;
    }
}

void likeFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    thread_local std::u32string value, pattern;
    const unsigned char* v = sqlite3_value_text(argv[0]);
    decode(v, sqlite3_value_bytes(argv[0]), value);
    const unsigned char* p = sqlite3_value_text(argv[1]);
    decode(p, sqlite3_value_bytes(argv[1]), pattern);
    sqlite3_result_int(ctx, likeMatch(value.data(), value.size(), pattern.data(), pattern.size()));
}

void foldFunction(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const QByteArray out = foldText(utf8(sqlite3_value_text(argv[0]), sqlite3_value_bytes(argv[0]))).toUtf8();
    sqlite3_result_text(ctx, out.constData(), static_cast<int>(out.size()), SQLITE_TRANSIENT);
}

FieldType fieldType(const QString& declared) {
    const QString t = declared.toUpper();
    if (t.contains(QLatin1String("INT")))
        return FieldType::Integer;
    if (t == QLatin1String("DATE"))
        return FieldType::Date;
    if (t == QLatin1String("TIME"))
        return FieldType::Time;
    if (t.contains(QLatin1String("TEXT")) || t.contains(QLatin1String("CHAR")) || t.isEmpty())
        return FieldType::Text;
    return FieldType::Other;
}

// Guards the registry: the automatic backup checks its copies on a thread of its own.
std::mutex& registryLock() {
    static std::mutex m;
    return m;
}

// One connection per file within a run: the windows share it.
QMap<QString, std::weak_ptr<Database>>& registry() {
    static QMap<QString, std::weak_ptr<Database>> r;
    return r;
}

} // namespace

Statement::~Statement() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

void Statement::bind(int index, const QVariant& v) {
    int rc;
    if (!v.isValid() || v.isNull()) {
        rc = sqlite3_bind_null(stmt_, index);
    } else {
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UInt:
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(stmt_, index, v.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(stmt_, index, v.toDouble());
            break;
        case QMetaType::QDate:
            rc = sqlite3_bind_text(stmt_, index, v.toDate().toString(Qt::ISODate).toUtf8().constData(), -1,
                                   SQLITE_TRANSIENT);
            break;
        case QMetaType::QTime:
            rc = sqlite3_bind_text(stmt_, index,
                                   v.toTime().toString(QStringLiteral("HH:mm:ss")).toUtf8().constData(), -1,
                                   SQLITE_TRANSIENT);
            break;
        default: {
            const QByteArray b = v.toString().toUtf8();
            rc = sqlite3_bind_text(stmt_, index, b.constData(), static_cast<int>(b.size()), SQLITE_TRANSIENT);
        }
        }
    }
    if (rc != SQLITE_OK)
        db_->raise(rc);
}

void Statement::bindAll(const QVariantList& values, int first) {
    for (int i = 0; i < values.size(); ++i)
        bind(first + i, values[i]);
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    db_->raise(rc);
}

void Statement::run() {
    while (step()) {
    }
}

qint64 Statement::int64(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

QVariant Statement::value(int column) const {
    switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return sqlite3_column_int64(stmt_, column);
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt_, column);
    default: {
        const unsigned char* t = sqlite3_column_text(stmt_, column);
        return utf8(t, sqlite3_column_bytes(stmt_, column));
    }
    }
}

int Statement::columnCount() const {
    return sqlite3_column_count(stmt_);
}

void startSqlite() {
    // By default SQLite counts every allocation under one lock of the whole process: the two
    // integrity checks of a restore, each on a thread of its own, then spend most of their time
    // waiting for each other. Nothing here reads those counts.
    [[maybe_unused]] static const bool started = [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return sqlite3_initialize() == SQLITE_OK;
    }();
}

int openConnection(const QString& path, int flags, sqlite3** db) {
    startSqlite();
    return sqlite3_open_v2(path.toUtf8().constData(), db, flags, nullptr);
}

std::shared_ptr<Database> Database::open(const QString& path) {
    const QFileInfo info(path);
    const QString key = info.absoluteFilePath();
    {
        const std::lock_guard lock(registryLock());
        if (auto existing = registry().value(key).lock())
            return existing;
    }
    if (!info.exists() || !info.isFile())
        throw DbError(ErrFileNotFound, QStringLiteral("Veritabanı dosyası bulunamadı: %1").arg(key));
    sqlite3* db = nullptr;
    const int rc = openConnection(key, SQLITE_OPEN_READWRITE, &db);
    if (rc != SQLITE_OK) {
        const QString why = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
        sqlite3_close(db);
        throw DbError(ErrCannotOpen, QStringLiteral("Veritabanı dosyası açılamadı: %1\n%2\n(Ayrıntı: %3)")
                                         .arg(key, failureReason(rc), why));
    }
    std::shared_ptr<Database> d(new Database(key, db));
    try {
        // Reading the schema is what tells a database from any other file.
        d->exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    } catch (const DbError& e) {
        throw DbError(ErrCannotOpen,
                      QStringLiteral("Veritabanı dosyası açılamadı: %1 (%2)").arg(key, e.description()));
    }
    const std::lock_guard lock(registryLock());
    registry().insert(key, d);
    return d;
}

bool Database::isOpen(const QString& path) {
    const std::lock_guard lock(registryLock());
    return !registry().value(QFileInfo(path).absoluteFilePath()).expired();
}

Database::Database(QString path, sqlite3* db)
    : path_(std::move(path))
    , db_(db) {
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, 2000);
    // The pages a large deletion changes (a card used a thousand times) stay in memory until it
    // commits; spilled to the file before, they cost an extra sync. The cache itself stays at
    // SQLite's 2 MB: a larger one slows every pass over a whole table while it fills.
    sqlite3_exec(db_, "PRAGMA cache_spill=OFF", nullptr, nullptr, nullptr);
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function_v2(db_, "kts_like", 2, flags, nullptr, likeFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db_, "kts_fold", 1, flags, nullptr, foldFunction, nullptr, nullptr, nullptr);
}

Database::~Database() {
    for (sqlite3_stmt* s : std::as_const(statements_))
        sqlite3_finalize(s);
    sqlite3_close(db_);
    const std::lock_guard lock(registryLock());
    auto it = registry().find(path_);
    if (it != registry().end() && it->expired())
        registry().erase(it);
}

QString failureReason(int sqliteCode) {
    switch (sqliteCode & 0xFF) {
    case SQLITE_FULL:
        return QStringLiteral("Diskte yer kalmadı; değişiklik yazılamadı.");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral(
            "Veritabanı başka bir program tarafından kilitlenmiş; biraz sonra yeniden deneyin.");
    case SQLITE_READONLY:
        return QStringLiteral("Veritabanı dosyası salt okunur; değişiklik yazılamadı.");
    case SQLITE_NOTADB:
        return QStringLiteral("Dosya bir veritabanı değil.");
    case SQLITE_CORRUPT:
        return QStringLiteral("Veritabanı dosyası bozuk.");
    case SQLITE_CANTOPEN:
        return QStringLiteral("Veritabanı dosyası açılamadı.");
    case SQLITE_IOERR:
        return QStringLiteral("Disk okunurken ya da yazılırken bir hata oluştu.");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("Veritabanı dosyasına erişim izni yok.");
    default:
        return {};
    }
}

void Database::raise(int rc, const QString& context) {
    const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
    if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY)
        throw DbError(
            ErrDuplicateKey,
            QStringLiteral("Aynı anahtar değeri zaten kayıtlı; kayıt yazılamadı. (%1)").arg(message));
    const QString detail = message + (context.isEmpty() ? QString() : QStringLiteral(" [%1]").arg(context));
    const QString reason = failureReason(rc);
    // The engine's own words stay as a detail for whoever has to look into it.
    throw DbError(ErrEngine, reason.isEmpty() ? QStringLiteral("Veritabanı hatası %1: %2").arg(rc).arg(detail)
                                              : QStringLiteral("%1\n(Ayrıntı: %2)").arg(reason, detail));
}

Statement Database::prepare(const QString& sql) {
    sqlite3_stmt*& slot = statements_[sql];
    if (!slot) {
        const QByteArray text = sql.toUtf8();
        const int rc = sqlite3_prepare_v3(db_, text.constData(), static_cast<int>(text.size()),
                                          SQLITE_PREPARE_PERSISTENT, &slot, nullptr);
        if (rc != SQLITE_OK) {
            statements_.remove(sql);
            raise(rc, sql);
        }
    }
    return Statement(this, slot);
}

void Database::exec(const QString& sql) {
    prepare(sql).run();
}

int Database::changes() const {
    return sqlite3_changes(db_);
}

quint64 Database::version(const QString& table) {
    Statement s = prepare(QStringLiteral("PRAGMA data_version"));
    s.step();
    const qint64 external = s.int64(0);
    if (external != dataVersion_) {
        dataVersion_ = external;
        ++anyVersion_;
    }
    // Both counters only grow, so their sum names one moment of the table's history.
    return knownVersion(table);
}

quint64 Database::knownVersion(const QString& table) const {
    return anyVersion_ + tableVersions_.value(table.toLower());
}

void Database::changed(const QString& table) {
    ++tableVersions_[table.toLower()];
}

void Database::changed() {
    ++anyVersion_;
}

void Database::execute(const QString& statement, const QVariantList& params) {
    const Change f = translateStatement(statement, lookup(), params);
    Statement s = prepare(f.sql);
    s.bindAll(f.params);
    s.run();
    changed(f.table);
}

const TableInfo& Database::table(const QString& name) {
    const QString key = name.toLower();
    auto it = tables_.find(key);
    if (it != tables_.end())
        return *it;
    TableInfo info;
    {
        Statement s =
            prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND lower(name)=?"));
        s.bind(1, key);
        if (!s.step())
            throw DbError(ErrTableNotFound, QStringLiteral("Tablo bulunamadı: %1 (%2)").arg(name, path_));
        info.name = s.value(0).toString();
    }
    Statement cols = prepare(QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?)"));
    cols.bind(1, info.name);
    while (cols.step()) {
        const QString field = cols.value(0).toString();
        const QString type = cols.value(1).toString();
        if (cols.int64(2) == 1 && type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
            info.key = field;
        info.fields.push_back({field, fieldType(type)});
    }
    if (info.key.isEmpty())
        throw DbError(ErrEngine,
                      QStringLiteral("%1 tablosunun tamsayı birincil anahtarı yok.").arg(info.name));
    return *tables_.insert(key, info);
}

Database::Transaction::Transaction(Database& db)
    : db_(db) {
    db_.exec(QStringLiteral("BEGIN IMMEDIATE"));
}

Database::Transaction::~Transaction() {
    if (open_)
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Database::Transaction::commit() {
    db_.exec(QStringLiteral("COMMIT"));
    open_ = false;
}

} // namespace engine

namespace engine {

void createDatabaseFile(const QString& path, const QStringList& statements) {
    if (QFileInfo::exists(path))
        throw DbError(ErrInvalidArgument, QStringLiteral("Dosya zaten var: %1").arg(path));
    sqlite3* db = nullptr;
    if (openConnection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, &db) != SQLITE_OK) {
        const QString why = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
        sqlite3_close(db);
        throw DbError(ErrCannotOpen,
                      QStringLiteral("Veritabanı dosyası oluşturulamadı: %1 (%2)").arg(path, why));
    }
    const QString script =
        QStringLiteral("BEGIN;\n") + statements.join(QStringLiteral(";\n")) + QStringLiteral(";\nCOMMIT;");
    char* error = nullptr;
    if (sqlite3_exec(db, script.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString why = QString::fromUtf8(error);
        sqlite3_free(error);
        sqlite3_close(db);
        QFile::remove(path);
        throw DbError(ErrEngine, QStringLiteral("Şema kurulamadı: %1 (%2)").arg(path, why));
    }
    sqlite3_close(db);
}

} // namespace engine
