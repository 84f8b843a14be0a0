#include "Raw.h"

#include <QFile>
#include <stdexcept>

RawDb::RawDb(const QString& path) {
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        fail("open " + path.toStdString());
}

RawDb::~RawDb() {
    sqlite3_close(db_);
}

void RawDb::exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(sql);
}

void RawDb::fail(const std::string& what) const {
    throw std::runtime_error("raw SQLite: " + what + ": " + sqlite3_errmsg(db_));
}

RawQuery::RawQuery(RawDb& db, const std::string& sql)
    : db_(db) {
    if (sqlite3_prepare_v3(db.handle(), sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) !=
        SQLITE_OK)
        db.fail(sql);
}

RawQuery::~RawQuery() {
    sqlite3_finalize(stmt_);
}

RawQuery& RawQuery::bind(int index, std::string_view text) {
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

RawQuery& RawQuery::bind(int index, sqlite3_int64 value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

bool RawQuery::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        db_.fail(sqlite3_sql(stmt_));
    return false;
}

void RawQuery::reset() {
    sqlite3_reset(stmt_);
}

std::string RawQuery::text(int column) const {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return t ? std::string(t, sqlite3_column_bytes(stmt_, column)) : std::string();
}

int RawQuery::column(std::string_view name) const {
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
