#pragma once

#include <QString>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <vector>

// A text of SQLite's as the program's string.
inline QString text(const std::string& s) {
    return QString::fromStdString(s);
}

// The baseline: the same work through the SQLite C API alone, without the engine stand-in.
class RawDb {
public:
    explicit RawDb(const QString& path);
    ~RawDb();
    RawDb(const RawDb&) = delete;
    RawDb& operator=(const RawDb&) = delete;

    sqlite3* handle() const { return db_; }
    void exec(const char* sql);
    [[noreturn]] void fail(const std::string& what) const;

private:
    sqlite3* db_ = nullptr;
};

// One prepared statement, prepared once and reused, as the program's statement cache does.
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

    sqlite3_int64 int64(int column) const { return sqlite3_column_int64(stmt_, column); }
    std::string text(int column) const;
    int columns() const { return sqlite3_column_count(stmt_); }
    int column(std::string_view name) const; // throws when the result has no such column
    // Reads every column of the current row as text, as a screen showing the row would.
    void readRow() const;

    // Steps to the end, collecting the first column; resets.
    std::vector<sqlite3_int64> ids();
    // Steps to the end reading every row; resets. Returns the number of rows.
    int rows();
    // Runs a statement that returns nothing; resets.
    void run();

private:
    RawDb& db_;
    sqlite3_stmt* stmt_ = nullptr;
};
