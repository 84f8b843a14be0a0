#pragma once

#include "Schema.h"
#include "Sql.h"
#include "Store.h"

#include <QHash>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <unordered_map>

struct sqlite3;

namespace engine {

class Database;

// A prepared statement borrowed from the connection's cache; reset when it goes out of scope.
class Statement {
public:
    Statement(Database* db, Cursor* cursor)
        : db_(db)
        , cursor_(cursor) {}
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
    friend class Database;
    Database* db_;
    Cursor* cursor_;
};

// Where the program's data lives when it is not in the program directory: a libpq connection
// string of the PostgreSQL server the desks share, empty for the SQLite files. Set once at start.
void setServer(const QString& conninfo);
const QString& server();
// The server as a person would name it: "host:port/dbname", with no password.
QString describeServer(const QString& conninfo);

// A connection to one database file of the program directory, or, with a server set, to the
// schema of the server named after the file ("Servis.mdb" is the schema "servis"). Connections
// are shared per file within a run, so every window sees the others' writes at once.
class Database {
public:
    // Opens an existing file or schema; never creates one. A missing or unreadable file, or a
    // server that cannot be reached, is an error that names it.
    static std::shared_ptr<Database> open(const QString& path);
    // The file itself, whatever server is set: what moves a workshop's files onto a server reads.
    static std::shared_ptr<Database> openFile(const QString& path);
    // One schema of the server `conninfo` names, whatever server is set.
    static std::shared_ptr<Database> openServer(const QString& conninfo, const QString& schema);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& path() const { return path_; }
    Dialect dialect() const { return dialect_; }
    // Whether some part of the program still holds a connection to the file.
    static bool isOpen(const QString& path);

    // Runs a statement of the engine's dialect (DELETE FROM ... WHERE ...); each "?" in it takes
    // the next of `params`.
    void execute(const QString& statement, const QVariantList& params = {});

    const TableInfo& table(const QString& name);
    TableLookup lookup() {
        return [this](const QString& n) -> const TableInfo& { return table(n); };
    }

    // A statement of the store's own SQL, with "?" for each value.
    Statement prepare(const QString& sql, Plan plan = Plan::Kept);
    void exec(const QString& sql); // no result rows
    // A statement with no result rows that nothing waits for: on a server it goes with the next
    // statement, in the same round trip; on a file it runs at once.
    void execSoon(const QString& sql);
    // Runs bound statements in one round trip on a server; their rows are read as usual. On a
    // server `meanwhile` runs while the answer is on its way, so that work on another connection
    // costs no wait of its own; should it use this connection, the answer is taken in first.
    void runTogether(std::initializer_list<Statement*> statements,
                     const std::function<void()>& meanwhile = {});
    int changes() const; // rows changed by the last statement

    // The version of a table's data. It moves with every write to the table through this
    // connection, with every write whose table is not known, and with every commit of another
    // connection, program or desk; record sets keep keys, rows and find results while it stands
    // still.
    quint64 version(const QString& table);
    // The version as last seen, without asking about other connections (cheap enough per field).
    quint64 knownVersion(const QString& table) const;
    // Counts only the writes of other connections, programs or desks to the table: record sets
    // take their rows in at the next move.
    quint64 outsideVersion(const QString& table) const;
    void changed(const QString& table); // a write to one table
    void changed();                     // a write that may have touched any table

    // Many writes in one disk synchronisation, or one server transaction.
    class Transaction {
    public:
        explicit Transaction(Database& db);
        ~Transaction();
        void commit();

    private:
        Database& db_;
        bool open_ = true;
        quint64 writesAtBegin_;
    };

    // The SQLite connection of a file; null on a server.
    sqlite3* handle() const;
    // A server schema's comment as it was when the connection was made; empty for a file.
    QString schemaComment() const;

private:
    Database(QString path, std::unique_ptr<Store> store);
    static std::shared_ptr<Database> shared(const QString& key,
                                            const std::function<std::unique_ptr<Store>()>& make);

    QString path_;
    std::unique_ptr<Store> store_;
    Dialect dialect_;
    std::array<std::unordered_map<QString, std::unique_ptr<Cursor>>, 2> statements_; // by Plan
    QHash<QString, TableInfo> tables_;                                               // by lower-case name
    QHash<QString, quint64> tableVersions_;                                          // by lower-case name
    quint64 anyVersion_ = 0;
    quint64 writes_ = 0; // every change counted, for a transaction to tell whether it wrote
    QHash<QString, quint64> outsideVersions_; // by lower-case name
    quint64 outsideAny_ = 0;
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
