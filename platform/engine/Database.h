#pragma once

#include "Schema.h"
#include "Sql.h"

#include <QHash>
#include <QString>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace engine {

class Database;

// A prepared statement borrowed from the connection's cache; reset when it goes out of scope.
class Statement {
public:
    Statement(Database* db, sqlite3_stmt* stmt)
        : db_(db)
        , stmt_(stmt) {}
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    void bind(int index, const QVariant& value); // 1-based
    void bindAll(const QVariantList& values, int first = 1);
    bool step(); // true while a row is ready; throws on error
    void run();  // steps to the end
    qint64 int64(int column) const;
    QVariant value(int column) const;
    int columnCount() const;

private:
    Database* db_;
    sqlite3_stmt* stmt_;
};

// A connection to one database file of the program directory. Connections are shared per
// file within a run, so every window sees the others' writes at once.
class Database {
public:
    // Opens an existing file; never creates one. A missing or unreadable file is an error that
    // names it.
    static std::shared_ptr<Database> open(const QString& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& path() const { return path_; }
    // Whether some part of the program still holds a connection to the file.
    static bool isOpen(const QString& path);

    // Runs a statement of the engine's dialect (DELETE FROM ... WHERE ...); each "?" in it takes
    // the next of `params`.
    void execute(const QString& statement, const QVariantList& params = {});

    const TableInfo& table(const QString& name);
    TableLookup lookup() {
        return [this](const QString& n) -> const TableInfo& { return table(n); };
    }

    Statement prepare(const QString& sql);
    void exec(const QString& sql); // plain SQLite, no result rows
    int changes() const;           // rows changed by the last statement

    // The version of a table's data. It moves with every write to the table through this
    // connection, with every write whose table is not known, and with every commit of another
    // connection or program; record sets keep keys, rows and find results while it stands still.
    quint64 version(const QString& table);
    // The version as last seen, without asking about other connections (cheap enough per field).
    quint64 knownVersion(const QString& table) const;
    void changed(const QString& table); // a write to one table
    void changed();                     // a write that may have touched any table

    // Many writes in one disk synchronisation.
    class Transaction {
    public:
        explicit Transaction(Database& db);
        ~Transaction();
        void commit();

    private:
        Database& db_;
        bool open_ = true;
    };

    [[noreturn]] void raise(int rc, const QString& context = {});
    sqlite3* handle() const { return db_; }

private:
    Database(QString path, sqlite3* db);

    QString path_;
    sqlite3* db_;
    QHash<QString, sqlite3_stmt*> statements_;
    QHash<QString, TableInfo> tables_;      // by lower-case name
    QHash<QString, quint64> tableVersions_; // by lower-case name
    quint64 anyVersion_ = 0;
    qint64 dataVersion_ = -1;
};

} // namespace engine

namespace engine {
// Sets SQLite up for this process; openConnection() calls it before each opening.
void startSqlite();
// sqlite3_open_v2 of `path`, with SQLite set up first; the result code as SQLite gives it.
int openConnection(const QString& path, int flags, sqlite3** db);
// Creates a new database file with the given statements, inside one transaction. Only the
// installation tool and tests make files; the program itself never does.
void createDatabaseFile(const QString& path, const QStringList& statements);
} // namespace engine
