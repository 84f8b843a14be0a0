#pragma once

#include <QString>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

// A text of SQLite's as the program's string.
inline QString text(const std::string& s) {
    return QString::fromStdString(s);
}

// One schema of a PostgreSQL server, as the baseline reaches it.
struct ServerSchema {
    QString conninfo;
    QString schema;
};

// The baseline: the same work through the SQLite C API alone, without the engine stand-in; or on
// a server through libpq alone, one connection per schema as the engine keeps one per file.
class RawDb {
public:
    explicit RawDb(const QString& path);
    explicit RawDb(const ServerSchema& server);
    ~RawDb();
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    sqlite3* handle() const { return db_; }
    pg_conn* connection() const { return pg_; }
    bool onServer() const { return pg_ != nullptr; }
    // The statement for the store in use, where the server's SQL differs from SQLite's.
    std::string sql(std::string sqlite, std::string server) const { return pg_ ? server : sqlite; }
    void exec(const char* sql);
    [[noreturn]] void fail(const std::string& what) const;
    std::string nextStatementName() { return "b" + std::to_string(++statements_); }

private:
    sqlite3* db_ = nullptr;
    pg_conn* pg_ = nullptr;
    int statements_ = 0;
};

// One prepared statement, prepared once and reused, as the program's statement cache does. On a
// server "?" and "?N" become $n, and a run is one PQexecPrepared.
class RawQuery {
public:
    RawQuery(RawDb& db, const std::string& sql);
    ~RawQuery();
    RawQuery(const RawQuery&) = delete;
    RawQuery& operator=(const RawQuery&) = delete;

    RawQuery& bind(int index, std::string_view text);
    RawQuery& bind(int index, sqlite3_int64 value);
    bool step(); // true while a row is ready
    void reset();

    sqlite3_int64 int64(int column) const {
        return stmt_ ? sqlite3_column_int64(stmt_, column) : serverInt64(column);
    }
    std::string text(int column) const;
    int columns() const { return stmt_ ? sqlite3_column_count(stmt_) : serverColumns(); }
    // Throws when the result has no such column; on a server only once the statement ran.
    int column(std::string_view name) const;
    // Reads every column of the current row as text, as a screen showing the row would.
    void readRow() const;

    // Steps to the end, collecting the first column; resets.
    std::vector<sqlite3_int64> ids();
    // Steps to the end reading every row; resets. Returns the number of rows.
    int rows();
    // Runs a statement that returns nothing; resets.
    void run();

private:
    sqlite3_int64 serverInt64(int column) const;
    int serverColumns() const;
    bool serverStep();

    RawDb& db_;
    sqlite3_stmt* stmt_ = nullptr;
    // on a server
    std::string sql_;
    std::string name_;
    std::vector<std::optional<std::string>> values_; // kept over a reset, as SQLite keeps bindings
    pg_result* result_ = nullptr;
    int row_ = -1;
};

// SQLite's "?" and "?N" placeholders as the server's $n; quoted texts and names keep theirs.
// `count` receives the highest number used.
std::string numberedPlaceholders(std::string_view sql, int* count);
