#include "PgStore.h"

#include "Database.h"
#include "DbError.h"

#include <QCoreApplication>
#include <QDate>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTime>
#include <atomic>
#include <chrono>
#include <exception>
#include <libpq-fe.h>
#include <utility>

namespace engine {

namespace {

// Type numbers of the server's built-in types, as pg_type gives them.
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
              kNumeric = 1700;

std::atomic<quint64> roundTrips{0};

// Every wait for the server's answer goes through here, so that the count is complete.
PGresult* answered(PGresult* r) {
    ++roundTrips;
    return r;
}

// The store's own part of the work (its code and its waits), for the benchmark: off unless asked
// for, so that the program pays one test of a flag per call for it.
std::atomic<bool> clockOn{false};
std::atomic<qint64> storeNs{0};
thread_local int clockDepth = 0;
thread_local std::chrono::steady_clock::time_point clockSince;

void clockStop() {
    storeNs +=
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - clockSince)
            .count();
}

// Marks a call into the store; calls within it count once.
class InStore {
public:
    InStore()
        : on_(clockOn.load(std::memory_order_relaxed)) {
        if (on_ && clockDepth++ == 0)
            clockSince = std::chrono::steady_clock::now();
    }
    ~InStore() {
        if (on_ && --clockDepth == 0)
            clockStop();
    }
    InStore(const InStore&) = delete;
    InStore& operator=(const InStore&) = delete;

private:
    bool on_;
};

// Work done while the server answers belongs to whoever does it, not to this store.
void outsideStore(const std::function<void()>& work) {
    if (clockDepth == 0) {
        work();
        return;
    }
    clockStop();
    struct Resume {
        int depth;
        ~Resume() {
            clockDepth = depth;
            clockSince = std::chrono::steady_clock::now();
        }
    } resume{std::exchange(clockDepth, 0)};
    work();
}

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
    Result r(answered(PQexec(conn, sql.toUtf8().constData())), &PQclear);
    const ExecStatusType status = PQresultStatus(r.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        raiseServerError(conn, r.get(), sql);
    return r;
}

Result execParams(PGconn* conn, const char* sql, const QList<QByteArray>& params) {
    std::vector<const char*> values;
    for (const QByteArray& p : params)
        values.push_back(p.constData());
    Result r(answered(PQexecParams(conn, sql, static_cast<int>(values.size()), nullptr, values.data(),
                                   nullptr, nullptr, 0)),
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

// Queries sent one after another without waiting, and their results read back after a single
// synchronisation: several statements for one round trip.
class Pipeline {
public:
    explicit Pipeline(PGconn* conn)
        : conn_(conn) {
        PQenterPipelineMode(conn_);
    }
    ~Pipeline() {
        if (!finished_)
            finish();
    }
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    // What was sent goes to the server now; its answers are read by finish().
    void send() {
        PQpipelineSync(conn_);
        synced_ = true;
    }

    // The answer came while this process waited for another: no wait of its own.
    void overlapped() { overlapped_ = true; }

    // Each send returns the place of its result in what finish() hands back.
    int prepare(const QByteArray& name, const QByteArray& sql) {
        PQsendPrepare(conn_, name.constData(), sql.constData(), 0, nullptr);
        return sent_++;
    }
    int execute(const QByteArray& name, const std::vector<const char*>& values) {
        PQsendQueryPrepared(conn_, name.constData(), static_cast<int>(values.size()), values.data(), nullptr,
                            nullptr, 0);
        return sent_++;
    }
    int command(const char* sql) {
        PQsendQueryParams(conn_, sql, 0, nullptr, nullptr, nullptr, nullptr, 0);
        return sent_++;
    }

    // One result per query sent; a query after a failed one comes back as PGRES_PIPELINE_ABORTED,
    // and one lost with the connection as null.
    std::vector<Result> finish() {
        finished_ = true;
        if (!synced_)
            send();
        if (!overlapped_)
            ++roundTrips;
        std::vector<Result> out;
        for (int i = 0; i < sent_; ++i) {
            Result first(PQgetResult(conn_), &PQclear);
            while (PGresult* more = PQgetResult(conn_))
                PQclear(more);
            out.push_back(std::move(first));
        }
        PQclear(PQgetResult(conn_)); // the synchronisation point
        PQexitPipelineMode(conn_);
        return out;
    }

private:
    PGconn* conn_;
    int sent_ = 0;
    bool synced_ = false;
    bool overlapped_ = false;
    bool finished_ = false;
};

bool succeeded(const PGresult* r) {
    const ExecStatusType status = PQresultStatus(r);
    return r && (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK);
}

// Statements whose results nobody waits for (BEGIN, letting go of a lock): they travel with the
// next statement, in its round trip, in the order they were given.
struct Pending {
    QList<QByteArray> statements;
    // Takes in the answer of statements sent while other work went on; set only meanwhile.
    std::function<void()> inFlight;

    // Everything that uses the connection calls this first: its answer must be read before the
    // connection can be asked anything else.
    void land() {
        if (inFlight)
            std::exchange(inFlight, nullptr)();
    }

    static constexpr const char* kBegin = "BEGIN";
    bool opensTransaction() const { return statements.contains(kBegin); }
};

class PgCursor final : public Cursor {
public:
    // Nothing goes to the server yet: the statement is prepared in the same round trip as its
    // first run, so that each new statement costs one round trip rather than two.
    PgCursor(PGconn* conn, Pending* pending, QByteArray name, QString sql, int* changes)
        : conn_(conn)
        , pending_(pending)
        , name_(std::move(name))
        , sql_(std::move(sql))
        , changes_(changes) {
        // Transaction control cannot sit inside a savepoint of its own.
        static const QRegularExpression control(
            QStringLiteral("^\\s*(BEGIN|COMMIT|ROLLBACK|SAVEPOINT|RELEASE|END)\\b"),
            QRegularExpression::CaseInsensitiveOption);
        guarded_ = !control.match(sql_).hasMatch();
        int count = 0;
        numberedSql_ = numbered(sql_, &count);
        values_.resize(count);
    }

    void bind(int index, const QVariant& v) override {
        const InStore timed;
        if (index < 1 || index > values_.size())
            throw DbError(ErrInvalidArgument,
                          QStringLiteral("Geçersiz parametre sırası %1: %2").arg(index).arg(sql_));
        values_[index - 1] = (!v.isValid() || v.isNull()) ? std::optional<QByteArray>() : paramText(v);
    }

    bool step() override {
        const InStore timed;
        if (!result_)
            pending_->land();
        if (!result_)
            run();
        return ++row_ < PQntuples(result_.get());
    }

    // Runs the cursors, bound and not yet run, in one round trip; their rows are then read with
    // step() as usual. Inside a transaction each runs on its own, under its savepoint.
    static void runTogether(const std::vector<PgCursor*>& cursors, const std::function<void()>& meanwhile) {
        if (cursors.empty()) {
            if (meanwhile)
                outsideStore(meanwhile);
            return;
        }
        cursors.front()->pending_->land();
        if (cursors.front()->inTransaction()) {
            for (PgCursor* c : cursors)
                c->run();
            if (meanwhile)
                outsideStore(meanwhile);
            return;
        }
        runPipelined(cursors, meanwhile);
    }

    qint64 int64(int column) const override {
        const InStore timed;
        if (PQgetisnull(result_.get(), row_, column))
            return 0;
        const char* v = PQgetvalue(result_.get(), row_, column);
        return PQftype(result_.get(), column) == kBool ? (*v == 't' ? 1 : 0) : std::strtoll(v, nullptr, 10);
    }

    QVariant value(int column) const override {
        const InStore timed;
        return valueOf(result_.get(), row_, column);
    }

    int columnCount() const override { return result_ ? PQnfields(result_.get()) : 0; }

    void reset() override {
        const InStore timed;
        pending_->land(); // no answer may arrive after the cursor was let go
        result_.reset();
        std::fill(values_.begin(), values_.end(), std::nullopt);
    }

private:
    // The unnamed statement is planned again at each run, for the values it is given.
    bool keepsPlan() const { return !name_.isEmpty(); }

    bool inTransaction() const {
        return PQtransactionStatus(conn_) == PQTRANS_INTRANS || pending_->opensTransaction();
    }

    // What went ahead of a statement in its round trip: each one's text and the place of its result.
    using Ahead = std::vector<std::pair<QByteArray, int>>;

    Ahead sendPending(Pipeline& pipeline) const {
        Ahead sent;
        for (const QByteArray& sql : std::as_const(pending_->statements))
            sent.emplace_back(sql, pipeline.command(sql.constData()));
        pending_->statements.clear();
        return sent;
    }

    // Raises the first failure among what went ahead.
    static void raisePendingFailure(PGconn* conn, const Ahead& ahead, const std::vector<Result>& results) {
        for (const auto& [sql, place] : ahead)
            if (!succeeded(results[size_t(place)].get()))
                raiseServerError(conn, results[size_t(place)].get(), QString::fromUtf8(sql));
    }

    void run() {
        pending_->land();
        if (guarded_ && inTransaction())
            runGuarded();
        else if (prepared_ && pending_->statements.isEmpty())
            take(Result(answered(PQexecPrepared(conn_, name_.constData(), static_cast<int>(values_.size()),
                                                values().data(), nullptr, nullptr, 0)),
                        &PQclear));
        else
            runPipelined({this});
    }

    static void runPipelined(const std::vector<PgCursor*>& cursors,
                             const std::function<void()>& meanwhile = {}) {
        PgCursor& first = *cursors.front();
        std::vector<std::pair<int, int>> places; // of each cursor's prepare (or -1) and run
        Pipeline pipeline(first.conn_);
        const Ahead ahead = first.sendPending(pipeline);
        for (PgCursor* c : cursors) {
            const int prepare = c->prepared_ ? -1 : pipeline.prepare(c->name_, c->numberedSql_);
            places.emplace_back(prepare, pipeline.execute(c->name_, c->values()));
        }
        // Whoever takes the answer in, this call or a use of the connection meanwhile, its
        // failure is raised here, once the other work is done.
        std::exception_ptr failure;
        first.pending_->inFlight = [&] {
            try {
                takeResults(cursors, places, ahead, pipeline.finish());
            } catch (...) {
                failure = std::current_exception();
            }
        };
        if (meanwhile) {
            pipeline.send();
            const quint64 before = roundTrips;
            try {
                outsideStore(meanwhile);
            } catch (...) {
                first.pending_->inFlight = nullptr; // the pipeline's end reads the answer and drops it
                throw;
            }
            if (roundTrips != before && first.pending_->inFlight)
                pipeline.overlapped();
        }
        first.pending_->land();
        if (failure)
            std::rethrow_exception(failure);
    }

    static void takeResults(const std::vector<PgCursor*>& cursors,
                            const std::vector<std::pair<int, int>>& places, const Ahead& ahead,
                            std::vector<Result> results) {
        PGconn* conn = cursors.front()->conn_;
        raisePendingFailure(conn, ahead, results);
        // Every result is taken before the first failure is raised, so no cursor is left half run.
        const PGresult* failed = nullptr;
        QString failedSql;
        for (size_t i = 0; i < cursors.size(); ++i) {
            PgCursor* c = cursors[i];
            const auto [prepare, run] = places[i];
            if (prepare >= 0 && succeeded(results[size_t(prepare)].get()))
                c->prepared_ = c->keepsPlan();
            const PGresult* problem = prepare >= 0 && !succeeded(results[size_t(prepare)].get())
                                          ? results[size_t(prepare)].get()
                                      : !succeeded(results[size_t(run)].get()) ? results[size_t(run)].get()
                                                                               : nullptr;
            if (problem) {
                if (!failed || PQresultStatus(failed) == PGRES_PIPELINE_ABORTED)
                    failed = problem, failedSql = c->sql_;
                continue;
            }
            c->take(std::move(results[size_t(run)]));
        }
        if (failed)
            raiseServerError(conn, failed, failedSql);
    }

    std::vector<const char*> values() const {
        std::vector<const char*> out;
        out.reserve(values_.size());
        for (const auto& v : values_)
            out.push_back(v ? v->constData() : nullptr);
        return out;
    }

    void take(Result result) {
        if (!succeeded(result.get()))
            raiseServerError(conn_, result.get(), sql_);
        result_ = std::move(result);
        *changes_ = QByteArray(PQcmdTuples(result_.get())).toInt();
        row_ = -1;
    }

    // Inside a transaction a failed statement leaves the server's transaction unusable, where
    // SQLite undoes just that statement (a duplicate code is refused and the entry goes on). A
    // savepoint around each statement keeps SQLite's way; sent in one pipeline with the
    // statement, it costs no extra round trip unless the statement fails.
    void runGuarded() {
        std::vector<Result> results;
        Ahead ahead;
        int prepare = -1, run = 0;
        {
            Pipeline pipeline(conn_);
            ahead = sendPending(pipeline);
            pipeline.command("SAVEPOINT kts_statement");
            if (!prepared_)
                prepare = pipeline.prepare(name_, numberedSql_);
            run = pipeline.execute(name_, values());
            pipeline.command("RELEASE SAVEPOINT kts_statement");
            results = pipeline.finish();
        }
        const bool preparedNow = prepare >= 0 && succeeded(results[size_t(prepare)].get());
        if (preparedNow)
            prepared_ = keepsPlan();
        raisePendingFailure(conn_, ahead, results);
        const PGresult* problem = prepare >= 0 && !preparedNow             ? results[size_t(prepare)].get()
                                  : !succeeded(results[size_t(run)].get()) ? results[size_t(run)].get()
                                                                           : nullptr;
        if (problem) {
            PQclear(answered(
                PQexec(conn_, "ROLLBACK TO SAVEPOINT kts_statement; RELEASE SAVEPOINT kts_statement")));
            raiseServerError(conn_, problem, sql_);
        }
        take(std::move(results[size_t(run)]));
    }

    PGconn* conn_;
    Pending* pending_;
    QByteArray name_;
    QString sql_;
    QByteArray numberedSql_;
    int* changes_;
    bool guarded_ = true;
    bool prepared_ = false;
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
    PgStore(Connection conn, QString schema, QString server, QString comment)
        : conn_(std::move(conn))
        , schema_(std::move(schema))
        , server_(std::move(server))
        , comment_(std::move(comment)) {}

    Dialect dialect() const override { return Dialect::Postgres; }
    QString schemaComment() const override { return comment_; }

    std::unique_ptr<Cursor> prepare(const QString& sql, Plan plan) override {
        const InStore timed;
        QByteArray name = plan == Plan::Kept ? "k" + QByteArray::number(++statements_) : QByteArray();
        return std::make_unique<PgCursor>(conn_.get(), &pending_, std::move(name), sql, &changes_);
    }

    int changes() const override { return changes_; }

    std::optional<QStringList> outsideWrites() override {
        const InStore timed;
        pending_.land();
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
        const InStore timed;
        // The whole schema is read at the first question, in one round trip; a table made since
        // (or never there) is looked for once more.
        auto it = catalogue_.constFind(name.toLower());
        if (it == catalogue_.constEnd()) {
            readCatalogue();
            it = catalogue_.constFind(name.toLower());
        }
        if (it == catalogue_.constEnd())
            throw DbError(ErrTableNotFound,
                          QStringLiteral("Tablo bulunamadı: %1 (%2, %3 şeması)").arg(name, server_, schema_));
        return *it;
    }

    void runTogether(const std::vector<Cursor*>& cursors, const std::function<void()>& meanwhile) override {
        const InStore timed;
        std::vector<PgCursor*> pg;
        for (Cursor* c : cursors)
            pg.push_back(static_cast<PgCursor*>(c));
        PgCursor::runTogether(pg, meanwhile);
    }

    bool defer(const QString& sql) override {
        const InStore timed;
        pending_.statements << sql.toUtf8();
        return true;
    }

    QString beginSql() const override { return QString::fromLatin1(Pending::kBegin); }
    void rollback() override {
        const InStore timed;
        pending_.land();
        // A transaction that sent nothing yet has nothing to undo on the server.
        if (const qsizetype begin = pending_.statements.indexOf(Pending::kBegin); begin >= 0) {
            pending_.statements.removeAt(begin);
            return;
        }
        PQclear(answered(PQexec(conn_.get(), "ROLLBACK")));
    }

private:
    void readCatalogue() {
        pending_.land();
        const Result cols = execParams(
            conn_.get(),
            "SELECT c.relname, a.attname, format_type(a.atttypid, a.atttypmod), "
            "coalesce((SELECT true FROM pg_index i WHERE i.indrelid = a.attrelid AND i.indisprimary "
            "AND i.indnatts = 1 AND i.indkey[0] = a.attnum), false) "
            "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
            "JOIN pg_attribute a ON a.attrelid = c.oid "
            "WHERE n.nspname = $1 AND c.relkind = 'r' AND a.attnum > 0 AND NOT a.attisdropped "
            "ORDER BY c.relname, a.attnum",
            {schema_.toUtf8()});
        catalogue_.clear();
        for (int i = 0; i < PQntuples(cols.get()); ++i) {
            const QString table = QString::fromUtf8(PQgetvalue(cols.get(), i, 0));
            TableInfo& info = catalogue_[table.toLower()];
            info.name = table;
            const QString field = QString::fromUtf8(PQgetvalue(cols.get(), i, 1));
            const FieldType type = serverFieldType(PQgetvalue(cols.get(), i, 2));
            if (*PQgetvalue(cols.get(), i, 3) == 't' && type == FieldType::Integer)
                info.key = field;
            info.fields.push_back({field, type});
        }
    }

    Connection conn_;
    QString schema_;
    QString server_;
    QString comment_;
    int changes_ = 0;
    quint64 statements_ = 0;
    Pending pending_;
    QHash<QString, TableInfo> catalogue_; // by lower-case name
};

// Settings go with the connection's start-up rather than as statements after it: no round trip
// of their own. Dates come back as ISO text, like the files store them; texts are UTF-8 whatever
// the server's own setting. A store's connection (`schema` given) searches its schema and carries
// the desk's name, so that a restore can tell whether other desks are connected.
Connection connectTo(const QString& conninfo, const QString& schema = {}) {
    const auto escaped = [](QString value) {
        return value.replace(QStringLiteral("\\"), QStringLiteral("\\\\"))
            .replace(u' ', QStringLiteral("\\ "));
    };
    QString options = conninfoOptions(conninfo).value(QStringLiteral("options"));
    options += QStringLiteral(" -c DateStyle=ISO,YMD -c client_min_messages=warning");
    if (!schema.isEmpty())
        options += QStringLiteral(" -c search_path=") + escaped(QLatin1Char('"') + schema + QLatin1Char('"'));
    const QByteArray info = conninfo.toUtf8(), settings = options.trimmed().toUtf8();
    const QByteArray desk = QStringLiteral("kts-masa %1:%2")
                                .arg(QSysInfo::machineHostName())
                                .arg(QCoreApplication::applicationPid())
                                .toUtf8();
    std::vector<const char*> keys{"dbname", "client_encoding", "options"};
    std::vector<const char*> values{info.constData(), "UTF8", settings.constData()};
    if (!schema.isEmpty()) {
        keys.push_back("application_name");
        values.push_back(desk.constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    Connection conn(PQconnectdbParams(keys.data(), values.data(), 1), &PQfinish);
    if (!conn)
        throw DbError(ErrCannotOpen, QStringLiteral("Veritabanı sunucusuna bağlanılamadı: bellek yetersiz."));
    if (PQstatus(conn.get()) != CONNECTION_OK)
        throw DbError(ErrCannotOpen, QStringLiteral("Veritabanı sunucusuna bağlanılamadı: %1\n(Ayrıntı: %2)")
                                         .arg(describeServer(conninfo),
                                              QString::fromUtf8(PQerrorMessage(conn.get())).trimmed()));
    return conn;
}

} // namespace

quint64 serverRoundTrips() {
    return roundTrips;
}

void measureStoreTime(bool on) {
    clockOn = on;
}

double storeTimeMs() {
    return double(storeNs) / 1e6;
}

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
    const InStore timed;
    Connection conn = connectTo(conninfo, schema);
    const auto escaped = [&](const QString& text, auto escape) {
        const QByteArray utf8 = text.toUtf8();
        char* quoted = escape(conn.get(), utf8.constData(), utf8.size());
        const QString out = QString::fromUtf8(quoted);
        PQfreemem(quoted);
        return out;
    };
    // Other desks' commits are announced on the schema's channel (see the server's triggers); the
    // schema, and the comment that tells its version, are looked for in the same round trip.
    const Result found =
        execSql(conn.get(),
                QStringLiteral(
                    "LISTEN %1; SELECT coalesce(obj_description(oid, 'pg_namespace'), '') FROM pg_namespace "
                    "WHERE nspname = %2")
                    .arg(escaped(QStringLiteral("kts_") + schema, PQescapeIdentifier),
                         escaped(schema, PQescapeLiteral)));
    if (PQntuples(found.get()) == 0)
        throw DbError(ErrFileNotFound,
                      QStringLiteral("Veritabanı sunucusu %1 üzerinde \"%2\" şeması yok; sunucu kurulmamış.")
                          .arg(describeServer(conninfo), schema));
    return std::make_unique<PgStore>(std::move(conn), schema, describeServer(conninfo),
                                     QString::fromUtf8(PQgetvalue(found.get(), 0, 0)));
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
