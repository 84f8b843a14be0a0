#include "PgStore.h"

#include "Database.h"
#include "DbError.h"

#include <QCoreApplication>
#include <QDate>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTime>
#include <libpq-fe.h>

namespace engine {

namespace {

// Type numbers of the server's built-in types, as pg_type gives them.
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
              kNumeric = 1700;

using Connection = std::unique_ptr<PGconn, decltype(&PQfinish)>;
using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

QString reasonOf(const QByteArray& state) {
    if (state == "53100")
        return QStringLiteral("Sunucunun diskinde yer kalmadı; değişiklik yazılamadı.");
    if (state == "40001" || state == "40P01")
        return QStringLiteral("Aynı kayıt başka bir masada aynı anda değiştirildi; yeniden deneyin.");
    if (state == "55P03")
        return QStringLiteral("Kayıt başka bir masada kilitli; biraz sonra yeniden deneyin.");
    if (state == "25006")
        return QStringLiteral("Veritabanı sunucusu salt okunur; değişiklik yazılamadı.");
    if (state.startsWith("42501"))
        return QStringLiteral("Veritabanı sunucusunda bu işlem için izin yok.");
    if (state.startsWith("08") || state.startsWith("57P"))
        return QStringLiteral("Veritabanı sunucusuyla bağlantı koptu.");
    return {};
}

// Turns the server's complaint about `result` (or the connection's) into the engine's error.
[[noreturn]] void raiseServerError(PGconn* conn, const PGresult* result, const QString& context = {}) {
    const QByteArray state = result ? QByteArray(PQresultErrorField(result, PG_DIAG_SQLSTATE)) : QByteArray();
    const QString message =
        QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(conn)).trimmed();
    if (state == "23505")
        throw DbError(
            ErrDuplicateKey,
            QStringLiteral("Aynı anahtar değeri zaten kayıtlı; kayıt yazılamadı. (%1)").arg(message));
    QString reason = reasonOf(state);
    if (reason.isEmpty() && PQstatus(conn) != CONNECTION_OK)
        reason = QStringLiteral("Veritabanı sunucusuyla bağlantı koptu.");
    const QString detail = message + (context.isEmpty() ? QString() : QStringLiteral(" [%1]").arg(context));
    throw DbError(
        ErrEngine,
        reason.isEmpty()
            ? QStringLiteral("Veritabanı sunucusu hatası %1: %2").arg(QString::fromLatin1(state), detail)
            : QStringLiteral("%1\n(Ayrıntı: %2)").arg(reason, detail));
}

Result execSql(PGconn* conn, const QString& sql) {
    Result r(PQexec(conn, sql.toUtf8().constData()), &PQclear);
    const ExecStatusType status = PQresultStatus(r.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        raiseServerError(conn, r.get(), sql);
    return r;
}

Result execParams(PGconn* conn, const char* sql, const QList<QByteArray>& params) {
    std::vector<const char*> values;
    for (const QByteArray& p : params)
        values.push_back(p.constData());
    Result r(
        PQexecParams(conn, sql, static_cast<int>(values.size()), nullptr, values.data(), nullptr, nullptr, 0),
        &PQclear);
    if (PQresultStatus(r.get()) != PGRES_TUPLES_OK && PQresultStatus(r.get()) != PGRES_COMMAND_OK)
        raiseServerError(conn, r.get(), QString::fromUtf8(sql));
    return r;
}

// A field of a result as the engine hands values out: numbers as numbers, booleans as 0 or 1,
// everything else as text (dates and times in ISO form), NULL as an invalid QVariant.
QVariant valueOf(const PGresult* result, int row, int column) {
    if (PQgetisnull(result, row, column))
        return {};
    const char* v = PQgetvalue(result, row, column);
    switch (PQftype(result, column)) {
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
        return static_cast<qint64>(std::strtoll(v, nullptr, 10));
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return std::strtod(v, nullptr);
    case kBool:
        return static_cast<qint64>(*v == 't' ? 1 : 0);
    default:
        return QString::fromUtf8(v, PQgetlength(result, row, column));
    }
}

// The engine's "?" placeholders as the server's $1, $2 ...; quoted texts and names keep theirs.
QByteArray numbered(const QString& sql, int* count) {
    QString out;
    out.reserve(sql.size() + 8);
    QChar quote;
    int n = 0;
    for (const QChar c : sql) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'?') {
            out += QLatin1Char('$') + QString::number(++n);
            continue;
        }
        out += c;
    }
    *count = n;
    return out.toUtf8();
}

QByteArray paramText(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? "1" : "0";
    case QMetaType::Double:
        return QByteArray::number(v.toDouble(), 'g', 17);
    case QMetaType::QDate:
        return v.toDate().toString(Qt::ISODate).toUtf8();
    case QMetaType::QTime:
        return v.toTime().toString(QStringLiteral("HH:mm:ss")).toUtf8();
    default:
        return v.toString().toUtf8();
    }
}

class PgCursor final : public Cursor {
public:
    PgCursor(PGconn* conn, QByteArray name, QString sql, int* changes)
        : conn_(conn)
        , name_(std::move(name))
        , sql_(std::move(sql))
        , changes_(changes) {
        // Transaction control cannot sit inside a savepoint of its own.
        static const QRegularExpression control(
            QStringLiteral("^\\s*(BEGIN|COMMIT|ROLLBACK|SAVEPOINT|RELEASE|END)\\b"),
            QRegularExpression::CaseInsensitiveOption);
        guarded_ = !control.match(sql_).hasMatch();
        int count = 0;
        const QByteArray numberedSql = numbered(sql_, &count);
        values_.resize(count);
        Result r(PQprepare(conn_, name_.constData(), numberedSql.constData(), 0, nullptr), &PQclear);
        if (PQresultStatus(r.get()) != PGRES_COMMAND_OK)
            raiseServerError(conn_, r.get(), sql_);
    }
    ~PgCursor() override {
        // Statements live as long as the connection; one that is dropped earlier is deallocated.
        if (PQstatus(conn_) == CONNECTION_OK)
            PQclear(PQexec(conn_, ("DEALLOCATE " + name_).constData()));
    }

    void bind(int index, const QVariant& v) override {
        if (index < 1 || index > values_.size())
            throw DbError(ErrInvalidArgument,
                          QStringLiteral("Geçersiz parametre sırası %1: %2").arg(index).arg(sql_));
        values_[index - 1] = (!v.isValid() || v.isNull()) ? std::optional<QByteArray>() : paramText(v);
    }

    bool step() override {
        if (!result_) {
            std::vector<const char*> values;
            values.reserve(values_.size());
            for (const auto& v : values_)
                values.push_back(v ? v->constData() : nullptr);
            if (guarded_ && PQtransactionStatus(conn_) == PQTRANS_INTRANS)
                result_.reset(executeGuarded(values));
            else
                result_.reset(PQexecPrepared(conn_, name_.constData(), static_cast<int>(values.size()),
                                             values.data(), nullptr, nullptr, 0));
            const ExecStatusType status = PQresultStatus(result_.get());
            if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
                const Result failed(result_.release(), &PQclear);
                raiseServerError(conn_, failed.get(), sql_);
            }
            *changes_ = QByteArray(PQcmdTuples(result_.get())).toInt();
            row_ = -1;
        }
        return ++row_ < PQntuples(result_.get());
    }

    // Inside a transaction a failed statement leaves the server's transaction unusable, where
    // SQLite undoes just that statement (a duplicate code is refused and the entry goes on). A
    // savepoint around each statement keeps SQLite's way; sent in one pipeline with the
    // statement, it costs no extra round trip unless the statement fails.
    PGresult* executeGuarded(const std::vector<const char*>& values) {
        static const char* const savepoint = "SAVEPOINT kts_statement";
        static const char* const release = "RELEASE SAVEPOINT kts_statement";
        PQenterPipelineMode(conn_);
        PQsendQueryParams(conn_, savepoint, 0, nullptr, nullptr, nullptr, nullptr, 0);
        PQsendQueryPrepared(conn_, name_.constData(), static_cast<int>(values.size()), values.data(), nullptr,
                            nullptr, 0);
        PQsendQueryParams(conn_, release, 0, nullptr, nullptr, nullptr, nullptr, 0);
        PQpipelineSync(conn_);
        const auto next = [this] {
            PGresult* out = nullptr;
            while (PGresult* r = PQgetResult(conn_)) {
                if (out)
                    PQclear(r);
                else
                    out = r;
            }
            return out;
        };
        PQclear(next());
        PGresult* statement = next();
        PQclear(next());
        PQclear(PQgetResult(conn_)); // the sync point
        PQexitPipelineMode(conn_);
        const ExecStatusType status = PQresultStatus(statement);
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
            PQclear(PQexec(conn_, "ROLLBACK TO SAVEPOINT kts_statement; RELEASE SAVEPOINT kts_statement"));
        return statement;
    }

    qint64 int64(int column) const override {
        if (PQgetisnull(result_.get(), row_, column))
            return 0;
        const char* v = PQgetvalue(result_.get(), row_, column);
        return PQftype(result_.get(), column) == kBool ? (*v == 't' ? 1 : 0) : std::strtoll(v, nullptr, 10);
    }

    QVariant value(int column) const override { return valueOf(result_.get(), row_, column); }

    int columnCount() const override { return result_ ? PQnfields(result_.get()) : 0; }

    void reset() override {
        result_.reset();
        std::fill(values_.begin(), values_.end(), std::nullopt);
    }

private:
    PGconn* conn_;
    QByteArray name_;
    QString sql_;
    int* changes_;
    bool guarded_ = true;
    QVector<std::optional<QByteArray>> values_;
    Result result_{nullptr, &PQclear};
    int row_ = -1;
};

FieldType serverFieldType(const QByteArray& type) {
    if (type == "bigint" || type == "integer" || type == "smallint")
        return FieldType::Integer;
    if (type == "date")
        return FieldType::Date;
    if (type.startsWith("time without"))
        return FieldType::Time;
    if (type == "text" || type.startsWith("character"))
        return FieldType::Text;
    return FieldType::Other;
}

class PgStore final : public Store {
public:
    PgStore(Connection conn, QString schema, QString server)
        : conn_(std::move(conn))
        , schema_(std::move(schema))
        , server_(std::move(server)) {}

    Dialect dialect() const override { return Dialect::Postgres; }

    std::unique_ptr<Cursor> prepare(const QString& sql) override {
        return std::make_unique<PgCursor>(conn_.get(), "k" + QByteArray::number(++statements_), sql,
                                          &changes_);
    }

    int changes() const override { return changes_; }

    std::optional<QStringList> outsideWrites() override {
        PQconsumeInput(conn_.get());
        const int self = PQbackendPID(conn_.get());
        std::optional<QStringList> tables;
        while (PGnotify* n = PQnotifies(conn_.get())) {
            // Our own writes are counted as they are made; only other desks' commits are news.
            if (n->be_pid != self) {
                if (!tables)
                    tables.emplace();
                tables->append(QString::fromUtf8(n->extra));
            }
            PQfreemem(n);
        }
        return tables;
    }

    TableInfo tableInfo(const QString& name) override {
        const QByteArray schema = schema_.toUtf8();
        const Result t =
            execParams(conn_.get(),
                       "SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                       "WHERE n.nspname = $1 AND c.relkind = 'r' AND lower(c.relname) = lower($2)",
                       {schema, name.toUtf8()});
        if (PQntuples(t.get()) == 0)
            throw DbError(ErrTableNotFound,
                          QStringLiteral("Tablo bulunamadı: %1 (%2, %3 şeması)").arg(name, server_, schema_));
        TableInfo info;
        info.name = QString::fromUtf8(PQgetvalue(t.get(), 0, 0));
        const Result cols = execParams(
            conn_.get(),
            "SELECT a.attname, format_type(a.atttypid, a.atttypmod), "
            "coalesce((SELECT true FROM pg_index i WHERE i.indrelid = a.attrelid AND i.indisprimary "
            "AND i.indnatts = 1 AND i.indkey[0] = a.attnum), false) "
            "FROM pg_attribute a WHERE a.attrelid = (quote_ident($1) || '.' || quote_ident($2))::regclass "
            "AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum",
            {schema, info.name.toUtf8()});
        for (int i = 0; i < PQntuples(cols.get()); ++i) {
            const QString field = QString::fromUtf8(PQgetvalue(cols.get(), i, 0));
            const FieldType type = serverFieldType(PQgetvalue(cols.get(), i, 1));
            if (*PQgetvalue(cols.get(), i, 2) == 't' && type == FieldType::Integer)
                info.key = field;
            info.fields.push_back({field, type});
        }
        return info;
    }

    QString beginSql() const override { return QStringLiteral("BEGIN"); }
    void rollback() override { PQclear(PQexec(conn_.get(), "ROLLBACK")); }

private:
    Connection conn_;
    QString schema_;
    QString server_;
    int changes_ = 0;
    quint64 statements_ = 0;
};

Connection connectTo(const QString& conninfo) {
    Connection conn(PQconnectdb(conninfo.toUtf8().constData()), &PQfinish);
    if (!conn)
        throw DbError(ErrCannotOpen, QStringLiteral("Veritabanı sunucusuna bağlanılamadı: bellek yetersiz."));
    if (PQstatus(conn.get()) != CONNECTION_OK)
        throw DbError(ErrCannotOpen, QStringLiteral("Veritabanı sunucusuna bağlanılamadı: %1\n(Ayrıntı: %2)")
                                         .arg(describeServer(conninfo),
                                              QString::fromUtf8(PQerrorMessage(conn.get())).trimmed()));
    // Dates come back as ISO text, like the files store them; texts are UTF-8 whatever the
    // server's own setting.
    execSql(conn.get(), QStringLiteral("SET client_encoding = 'UTF8'; SET DateStyle = 'ISO, YMD'; "
                                       "SET client_min_messages = warning"));
    return conn;
}

} // namespace

QString describeServer(const QString& conninfo) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.toUtf8().constData(), &error);
    if (!options) {
        PQfreemem(error);
        return conninfo;
    }
    QString host, port, dbname;
    for (PQconninfoOption* o = options; o->keyword; ++o) {
        const QString value = o->val ? QString::fromUtf8(o->val) : QString();
        if (qstrcmp(o->keyword, "host") == 0 || (host.isEmpty() && qstrcmp(o->keyword, "hostaddr") == 0))
            host = value;
        else if (qstrcmp(o->keyword, "port") == 0)
            port = value;
        else if (qstrcmp(o->keyword, "dbname") == 0)
            dbname = value;
    }
    PQconninfoFree(options);
    if (host.isEmpty())
        host = QStringLiteral("localhost");
    return host + (port.isEmpty() ? QString() : QLatin1Char(':') + port) +
           (dbname.isEmpty() ? QString() : QLatin1Char('/') + dbname);
}

std::unique_ptr<Store> openPostgresStore(const QString& conninfo, const QString& schema) {
    Connection conn = connectTo(conninfo);
    const Result found =
        execParams(conn.get(), "SELECT 1 FROM pg_namespace WHERE nspname = $1", {schema.toUtf8()});
    if (PQntuples(found.get()) == 0)
        throw DbError(ErrFileNotFound,
                      QStringLiteral("Veritabanı sunucusu %1 üzerinde \"%2\" şeması yok; sunucu kurulmamış.")
                          .arg(describeServer(conninfo), schema));
    const auto identifier = [&](const QString& name) {
        const QByteArray utf8 = name.toUtf8();
        char* quoted = PQescapeIdentifier(conn.get(), utf8.constData(), utf8.size());
        const QString out = QString::fromUtf8(quoted);
        PQfreemem(quoted);
        return out;
    };
    const auto literal = [&](const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        char* quoted = PQescapeLiteral(conn.get(), utf8.constData(), utf8.size());
        const QString out = QString::fromUtf8(quoted);
        PQfreemem(quoted);
        return out;
    };
    // A desk's connections carry its name, so that a restore can tell whether other desks are
    // connected.
    const QString desk = QStringLiteral("kts-masa %1:%2")
                             .arg(QSysInfo::machineHostName())
                             .arg(QCoreApplication::applicationPid());
    execSql(conn.get(), QStringLiteral("SET application_name TO %1").arg(literal(desk)));
    // Other desks' commits are announced on the schema's channel (see the server's triggers).
    execSql(conn.get(), QStringLiteral("SET search_path TO %1; LISTEN %2")
                            .arg(identifier(schema), identifier(QStringLiteral("kts_") + schema)));
    return std::make_unique<PgStore>(std::move(conn), schema, describeServer(conninfo));
}

void runOnServer(const QString& conninfo, const QStringList& statements, ServerTransaction transaction) {
    Connection conn = connectTo(conninfo);
    const bool one = transaction == ServerTransaction::One;
    if (one)
        execSql(conn.get(), QStringLiteral("BEGIN"));
    for (const QString& s : statements)
        execSql(conn.get(), s);
    if (one)
        execSql(conn.get(), QStringLiteral("COMMIT"));
}

QHash<QString, QString> conninfoOptions(const QString& conninfo) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(conninfo.toUtf8().constData(), &error);
    if (!options) {
        const QString why = error ? QString::fromUtf8(error).trimmed() : QStringLiteral("bellek yetersiz");
        PQfreemem(error);
        throw DbError(ErrInvalidArgument, QStringLiteral("Bağlantı bilgisi okunamadı: %1").arg(why));
    }
    QHash<QString, QString> out;
    for (PQconninfoOption* o = options; o->keyword; ++o)
        if (o->val)
            out.insert(QString::fromUtf8(o->keyword), QString::fromUtf8(o->val));
    PQconninfoFree(options);
    return out;
}

namespace {

// COPY's text format: a tab between fields, a newline after the row, \N for NULL; the backslash
// and the characters that separate fields and rows are escaped inside a value.
void appendCopyField(QByteArray& line, const QVariant& v) {
    if (!v.isValid() || v.isNull()) {
        line += "\\N";
        return;
    }
    const QByteArray text = paramText(v);
    for (const char c : text) {
        switch (c) {
        case '\\':
            line += "\\\\";
            break;
        case '\t':
            line += "\\t";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        default:
            line += c;
        }
    }
}

// The results of a statement, read to the end as libpq requires; the first failure is raised.
void finishResults(PGconn* conn, qint64* tuples = nullptr) {
    Result failed(nullptr, &PQclear);
    while (PGresult* r = PQgetResult(conn)) {
        Result result(r, &PQclear);
        const ExecStatusType status = PQresultStatus(r);
        if (status == PGRES_COMMAND_OK && tuples)
            *tuples = QByteArray(PQcmdTuples(r)).toLongLong();
        else if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && !failed)
            failed = std::move(result);
    }
    if (failed)
        raiseServerError(conn, failed.get());
}

} // namespace

ServerLoad::ServerLoad(const QString& conninfo)
    : conn_(connectTo(conninfo).release())
    , server_(describeServer(conninfo)) {
    try {
        execSql(conn_, QStringLiteral("BEGIN"));
    } catch (...) {
        PQfinish(conn_);
        throw;
    }
}

ServerLoad::~ServerLoad() {
    if (!committed_ && PQstatus(conn_) == CONNECTION_OK)
        PQclear(PQexec(conn_, "ROLLBACK"));
    PQfinish(conn_);
}

QString ServerLoad::quoted(const QString& name) const {
    const QByteArray utf8 = name.toUtf8();
    char* q = PQescapeIdentifier(conn_, utf8.constData(), utf8.size());
    if (!q)
        raiseServerError(conn_, nullptr, name);
    const QString out = QString::fromUtf8(q);
    PQfreemem(q);
    return out;
}

void ServerLoad::run(const QString& statement) {
    execSql(conn_, statement);
}

void ServerLoad::readOnlySnapshot() {
    execSql(conn_, QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
}

void ServerLoad::each(const QString& query, const std::function<void(const QVariantList& row)>& take) {
    execSql(conn_, QStringLiteral("DECLARE kts_each NO SCROLL CURSOR FOR ") + query);
    for (;;) {
        const Result batch = execSql(conn_, QStringLiteral("FETCH 5000 FROM kts_each"));
        const int rows = PQntuples(batch.get());
        const int columns = PQnfields(batch.get());
        QVariantList row(columns);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c)
                row[c] = valueOf(batch.get(), r, c);
            take(row);
        }
        if (rows == 0)
            break;
    }
    execSql(conn_, QStringLiteral("CLOSE kts_each"));
}

QList<QStringList> ServerLoad::rows(const QString& query, const QStringList& params) {
    QList<QByteArray> values;
    for (const QString& p : params)
        values << p.toUtf8();
    const Result r = execParams(conn_, query.toUtf8().constData(), values);
    QList<QStringList> out;
    for (int row = 0; row < PQntuples(r.get()); ++row) {
        QStringList fields;
        for (int column = 0; column < PQnfields(r.get()); ++column)
            fields << (PQgetisnull(r.get(), row, column)
                           ? QString()
                           : QString::fromUtf8(PQgetvalue(r.get(), row, column),
                                               PQgetlength(r.get(), row, column)));
        out << fields;
    }
    return out;
}

qint64 ServerLoad::count(const QString& schema, const QString& table) {
    const Result r =
        execSql(conn_, QStringLiteral("SELECT count(*) FROM %1.%2").arg(quoted(schema), quoted(table)));
    return std::strtoll(PQgetvalue(r.get(), 0, 0), nullptr, 10);
}

qint64 ServerLoad::copy(const QString& schema, const QString& table, const QStringList& columns,
                        const RowSource& next) {
    QStringList names;
    for (const QString& c : columns)
        names << quoted(c);
    const QString sql = QStringLiteral("COPY %1.%2 (%3) FROM STDIN")
                            .arg(quoted(schema), quoted(table), names.join(QStringLiteral(", ")));
    {
        const Result r(PQexec(conn_, sql.toUtf8().constData()), &PQclear);
        if (PQresultStatus(r.get()) != PGRES_COPY_IN)
            raiseServerError(conn_, r.get(), sql);
    }
    // Sent in pieces of about a megabyte: few calls, little memory.
    constexpr qsizetype kPiece = 1 << 20;
    QByteArray piece;
    piece.reserve(kPiece + 64 * 1024);
    const auto send = [&] {
        if (PQputCopyData(conn_, piece.constData(), static_cast<int>(piece.size())) != 1)
            raiseServerError(conn_, nullptr, sql);
        piece.clear();
    };
    try {
        QVariantList row;
        while (next(row)) {
            for (qsizetype i = 0; i < row.size(); ++i) {
                if (i)
                    piece += '\t';
                appendCopyField(piece, row[i]);
            }
            piece += '\n';
            if (piece.size() >= kPiece)
                send();
        }
        if (!piece.isEmpty())
            send();
    } catch (...) {
        // The server drops what it took of this COPY; the transaction is then failed for good.
        if (PQstatus(conn_) == CONNECTION_OK) {
            PQputCopyEnd(conn_, "abandoned by the client");
            while (PGresult* r = PQgetResult(conn_))
                PQclear(r);
        }
        throw;
    }
    if (PQputCopyEnd(conn_, nullptr) != 1)
        raiseServerError(conn_, nullptr, sql);
    qint64 taken = 0;
    finishResults(conn_, &taken);
    return taken;
}

void ServerLoad::commit() {
    const Result r = execSql(conn_, QStringLiteral("COMMIT"));
    // A transaction the server had already failed answers COMMIT with ROLLBACK, and no error.
    if (qstrcmp(PQcmdStatus(r.get()), "COMMIT") != 0)
        throw DbError(
            ErrEngine,
            QStringLiteral("Veritabanı sunucusu %1 işlemi geri aldı; hiçbir şey yazılmadı.").arg(server_));
    committed_ = true;
}

} // namespace engine
