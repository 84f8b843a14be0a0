#include "SqliteStore.h"

#include "Database.h"
#include "DbError.h"
#include "Text.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTime>
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

[[noreturn]] void raise(sqlite3* db, int rc, const QString& context = {}) {
    const QString message = QString::fromUtf8(sqlite3_errmsg(db));
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

class SqliteCursor final : public Cursor {
public:
    SqliteCursor(sqlite3* db, sqlite3_stmt* stmt)
        : db_(db)
        , stmt_(stmt) {}
    ~SqliteCursor() override { sqlite3_finalize(stmt_); }

    void bind(int index, const QVariant& v) override {
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
                rc = sqlite3_bind_text(stmt_, index, v.toDate().toString(Qt::ISODate).toUtf8().constData(),
                                       -1, SQLITE_TRANSIENT);
                break;
            case QMetaType::QTime:
                rc = sqlite3_bind_text(stmt_, index,
                                       v.toTime().toString(QStringLiteral("HH:mm:ss")).toUtf8().constData(),
                                       -1, SQLITE_TRANSIENT);
                break;
            default: {
                const QByteArray b = v.toString().toUtf8();
                rc = sqlite3_bind_text(stmt_, index, b.constData(), static_cast<int>(b.size()),
                                       SQLITE_TRANSIENT);
            }
            }
        }
        if (rc != SQLITE_OK)
            raise(db_, rc);
    }

    bool step() override {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        raise(db_, rc);
    }

    qint64 int64(int column) const override { return sqlite3_column_int64(stmt_, column); }

    QVariant value(int column) const override {
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

    int columnCount() const override { return sqlite3_column_count(stmt_); }

    void reset() override {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_;
};

class SqliteStore final : public Store {
public:
    SqliteStore(QString path, sqlite3* db)
        : path_(std::move(path))
        , db_(db) {
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_timeout(db_, 2000);
        // The pages a large deletion changes (a card used a thousand times) stay in memory until
        // it commits; spilled to the file before, they cost an extra sync. The cache itself stays
        // at SQLite's 2 MB: a larger one slows every pass over a whole table while it fills.
        sqlite3_exec(db_, "PRAGMA cache_spill=OFF", nullptr, nullptr, nullptr);
        const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
        sqlite3_create_function_v2(db_, "kts_like", 2, flags, nullptr, likeFunction, nullptr, nullptr,
                                   nullptr);
        sqlite3_create_function_v2(db_, "kts_fold", 1, flags, nullptr, foldFunction, nullptr, nullptr,
                                   nullptr);
    }
    ~SqliteStore() override {
        sqlite3_finalize(dataVersion_);
        sqlite3_close(db_);
    }

    Dialect dialect() const override { return Dialect::Sqlite; }

    std::unique_ptr<Cursor> prepare(const QString& sql, Plan) override {
        const QByteArray text = sql.toUtf8();
        sqlite3_stmt* stmt = nullptr;
        const int rc = sqlite3_prepare_v3(db_, text.constData(), static_cast<int>(text.size()),
                                          SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
        if (rc != SQLITE_OK)
            raise(db_, rc, sql);
        return std::make_unique<SqliteCursor>(db_, stmt);
    }

    int changes() const override { return sqlite3_changes(db_); }

    std::optional<QStringList> outsideWrites() override {
        if (!dataVersion_ && sqlite3_prepare_v3(db_, "PRAGMA data_version", -1, SQLITE_PREPARE_PERSISTENT,
                                                &dataVersion_, nullptr) != SQLITE_OK)
            raise(db_, sqlite3_errcode(db_));
        const int rc = sqlite3_step(dataVersion_);
        const qint64 now = rc == SQLITE_ROW ? sqlite3_column_int64(dataVersion_, 0) : -1;
        sqlite3_reset(dataVersion_);
        if (rc != SQLITE_ROW)
            raise(db_, rc);
        if (now == seen_)
            return std::nullopt;
        seen_ = now;
        return QStringList();
    }

    TableInfo tableInfo(const QString& name) override {
        TableInfo info;
        {
            SqliteCursor s(db_,
                           prepareRaw("SELECT name FROM sqlite_master WHERE type='table' AND lower(name)=?"));
            s.bind(1, name.toLower());
            if (!s.step())
                throw DbError(ErrTableNotFound, QStringLiteral("Tablo bulunamadı: %1 (%2)").arg(name, path_));
            info.name = s.value(0).toString();
        }
        SqliteCursor cols(db_, prepareRaw("SELECT name, type, pk FROM pragma_table_info(?)"));
        cols.bind(1, info.name);
        while (cols.step()) {
            const QString field = cols.value(0).toString();
            const QString type = cols.value(1).toString();
            if (cols.int64(2) == 1 && type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
                info.key = field;
            info.fields.push_back({field, fieldType(type)});
        }
        return info;
    }

    QString beginSql() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    void rollback() override { sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr); }
    sqlite3* sqliteHandle() const override { return db_; }

private:
    sqlite3_stmt* prepareRaw(const char* sql) {
        sqlite3_stmt* stmt = nullptr;
        const int rc = sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr);
        if (rc != SQLITE_OK)
            raise(db_, rc, QString::fromUtf8(sql));
        return stmt;
    }

    QString path_;
    sqlite3* db_;
    sqlite3_stmt* dataVersion_ = nullptr;
    qint64 seen_ = -1;
};

} // namespace

std::unique_ptr<Store> openSqliteStore(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw DbError(ErrFileNotFound, QStringLiteral("Veritabanı dosyası bulunamadı: %1").arg(path));
    sqlite3* db = nullptr;
    const int rc = openConnection(path, SQLITE_OPEN_READWRITE, &db);
    if (rc != SQLITE_OK) {
        const QString why = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
        sqlite3_close(db);
        throw DbError(ErrCannotOpen, QStringLiteral("Veritabanı dosyası açılamadı: %1\n%2\n(Ayrıntı: %3)")
                                         .arg(path, failureReason(rc), why));
    }
    auto store = std::make_unique<SqliteStore>(path, db);
    try {
        // Reading the schema is what tells a database from any other file.
        store->prepare(QStringLiteral("SELECT count(*) FROM sqlite_master"), Plan::Kept)->step();
    } catch (const DbError& e) {
        throw DbError(ErrCannotOpen,
                      QStringLiteral("Veritabanı dosyası açılamadı: %1 (%2)").arg(path, e.description()));
    }
    return store;
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
