#include "Raw.h"

#include <QFile>
#include <libpq-fe.h>
#include <stdexcept>

RawDb::RawDb(const QString& path) {
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        fail("open " + path.toStdString());
}

namespace {

// A libpq keyword value between single quotes, its quotes and backslashes escaped.
std::string conninfoValue(const std::string& value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\'' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '\'';
}

} // namespace

RawDb::RawDb(const ServerSchema& server) {
    // The schema comes with the connection itself: no statement, no round trip more.
    const std::string conninfo = server.conninfo.toStdString() +
                                 " options=" + conninfoValue("-c search_path=" + server.schema.toStdString());
    pg_ = PQconnectdb(conninfo.c_str());
    if (PQstatus(pg_) != CONNECTION_OK)
        fail("connect to " + server.conninfo.toStdString());
}

RawDb::~RawDb() {
    if (pg_)
        PQfinish(pg_);
    else
        sqlite3_close(db_);
}

void RawDb::exec(const char* sql) {
    if (pg_) {
        PGresult* r = PQexec(pg_, sql);
        const ExecStatusType status = PQresultStatus(r);
        PQclear(r);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            fail(sql);
        return;
    }
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(sql);
}

void RawDb::fail(const std::string& what) const {
    if (pg_)
        throw std::runtime_error("raw libpq: " + what + ": " + PQerrorMessage(pg_));
    throw std::runtime_error("raw SQLite: " + what + ": " + sqlite3_errmsg(db_));
}

std::string numberedPlaceholders(std::string_view sql, int* count) {
    std::string out;
    out.reserve(sql.size() + 8);
    char quote = 0;
    int highest = 0;
    for (size_t i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '?') {
            // "?N" names its parameter; a bare "?" takes the next after the highest so far.
            size_t end = i + 1;
            while (end < sql.size() && sql[end] >= '0' && sql[end] <= '9')
                ++end;
            const int n = end > i + 1 ? std::stoi(std::string(sql.substr(i + 1, end - i - 1))) : highest + 1;
            highest = std::max(highest, n);
            out += '$' + std::to_string(n);
            i = end - 1;
            continue;
        }
        out += c;
    }
    *count = highest;
    return out;
}

RawQuery::RawQuery(RawDb& db, const std::string& sql)
    : db_(db) {
    if (db.onServer()) {
        int count = 0;
        sql_ = numberedPlaceholders(sql, &count);
        values_.resize(count);
        name_ = db.nextStatementName();
        PGresult* r = PQprepare(db.connection(), name_.c_str(), sql_.c_str(), 0, nullptr);
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        if (!ok)
            db.fail(sql_);
        return;
    }
    if (sqlite3_prepare_v3(db.handle(), sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) !=
        SQLITE_OK)
        db.fail(sql);
}

RawQuery::~RawQuery() {
    // A server's statements stay until the connection ends: dropping one would cost a round trip.
    if (result_)
        PQclear(result_);
    sqlite3_finalize(stmt_);
}

RawQuery& RawQuery::bind(int index, std::string_view text) {
    if (!stmt_) {
        values_.at(size_t(index - 1)) = std::string(text);
        return *this;
    }
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

RawQuery& RawQuery::bind(int index, sqlite3_int64 value) {
    if (!stmt_) {
        values_.at(size_t(index - 1)) = std::to_string(value);
        return *this;
    }
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

bool RawQuery::step() {
    if (!stmt_)
        return serverStep();
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        db_.fail(sqlite3_sql(stmt_));
    return false;
}

bool RawQuery::serverStep() {
    if (!result_) {
        std::vector<const char*> values;
        values.reserve(values_.size());
        for (const auto& v : values_)
            values.push_back(v ? v->c_str() : nullptr);
        result_ = PQexecPrepared(db_.connection(), name_.c_str(), static_cast<int>(values.size()),
                                 values.data(), nullptr, nullptr, 0);
        const ExecStatusType status = PQresultStatus(result_);
        if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            const std::string why = PQresultErrorMessage(result_);
            PQclear(result_);
            result_ = nullptr;
            throw std::runtime_error("raw libpq: " + sql_ + ": " + why);
        }
        row_ = -1;
    }
    return ++row_ < PQntuples(result_);
}

void RawQuery::reset() {
    if (!stmt_) {
        PQclear(result_);
        result_ = nullptr;
        return;
    }
    sqlite3_reset(stmt_);
}

sqlite3_int64 RawQuery::serverInt64(int column) const {
    return std::strtoll(PQgetvalue(result_, row_, column), nullptr, 10);
}

int RawQuery::serverColumns() const {
    return result_ ? PQnfields(result_) : 0;
}

std::string RawQuery::text(int column) const {
    if (!stmt_)
        return std::string(PQgetvalue(result_, row_, column), PQgetlength(result_, row_, column));
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return t ? std::string(t, sqlite3_column_bytes(stmt_, column)) : std::string();
}

int RawQuery::column(std::string_view name) const {
    if (!stmt_) {
        // The server names columns in lower case; libpq folds the name asked for the same way.
        const int i = result_ ? PQfnumber(result_, std::string(name).c_str()) : -1;
        if (i < 0)
            db_.fail("no column " + std::string(name) + " in " + sql_);
        return i;
    }
    for (int i = 0; i < columns(); ++i)
        if (name == sqlite3_column_name(stmt_, i))
            return i;
    db_.fail("no column " + std::string(name) + " in " + sqlite3_sql(stmt_));
}

std::vector<sqlite3_int64> RawQuery::ids() {
    std::vector<sqlite3_int64> out;
    while (step())
        out.push_back(int64(0));
    reset();
    return out;
}

void RawQuery::readRow() const {
    if (!stmt_) {
        for (int i = 0; i < columns(); ++i)
            PQgetvalue(result_, row_, i);
        return;
    }
    for (int i = 0; i < columns(); ++i)
        sqlite3_column_text(stmt_, i);
}

int RawQuery::rows() {
    int n = 0;
    while (step()) {
        readRow();
        ++n;
    }
    reset();
    return n;
}

void RawQuery::run() {
    while (step()) {
    }
    reset();
}
