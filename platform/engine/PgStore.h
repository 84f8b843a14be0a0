#pragma once

#include "Store.h"

#include <QHash>
#include <functional>

struct pg_conn;

namespace engine {

// The store of one schema of a PostgreSQL server, over libpq. Throws DbError naming the server
// when it cannot be reached or holds no such schema.
std::unique_ptr<Store> openPostgresStore(const QString& conninfo, const QString& schema);

// How many times this process has waited for a server's answer to statements, connections
// aside: what latency multiplies.
quint64 serverRoundTrips();

// The time this process has spent in the server store's code and waits while measuring was on
// (the benchmark's share of a click that belongs to the server); work done meanwhile by others
// is not counted.
void measureStoreTime(bool on);
double storeTimeMs();

// Runs statements on the server, in one transaction unless told otherwise (a database is made
// outside any); throws DbError naming the server.
enum class ServerTransaction { One, None };
void runOnServer(const QString& conninfo, const QStringList& statements,
                 ServerTransaction transaction = ServerTransaction::One);

// The keywords a connection string sets, as libpq reads it (a URI's parts too); throws DbError when
// libpq cannot read it.
QHash<QString, QString> conninfoOptions(const QString& conninfo);

// Many rows put on the server at once (a workshop's files moved onto it, a backup restored there),
// in one transaction on a connection of its own: nothing stays unless commit() succeeds, and the
// destructor rolls back what was begun. Throws DbError naming the server.
class ServerLoad {
public:
    explicit ServerLoad(const QString& conninfo); // connects and begins
    ~ServerLoad();
    ServerLoad(const ServerLoad&) = delete;
    ServerLoad& operator=(const ServerLoad&) = delete;

    void run(const QString& statement);
    // Makes the transaction see the database as it was at its first query, and write nothing: a
    // backup of both schemas from one moment. Called before anything else is asked.
    void readOnlySnapshot();
    // Every row of a query, read in batches through a cursor so that a large table needs little
    // memory; numbers come as numbers, texts as texts, NULL as an invalid QVariant.
    void each(const QString& query, const std::function<void(const QVariantList& row)>& take);
    // Every row of a query as texts, a null QString for NULL; $1, $2 ... take `params`.
    QList<QStringList> rows(const QString& query, const QStringList& params = {});
    qint64 count(const QString& schema, const QString& table);

    // Fills `row` with the values of the next row, in the order of the columns; false after the
    // last row. It may throw to abandon the load.
    using RowSource = std::function<bool(QVariantList& row)>;
    // Sends rows into schema.table with COPY; names are quoted exactly as given. Returns the rows
    // the server took.
    qint64 copy(const QString& schema, const QString& table, const QStringList& columns,
                const RowSource& next);

    // Throws when the server did not commit: then nothing of the load stays.
    void commit();

private:
    QString quoted(const QString& name) const;

    pg_conn* conn_;
    QString server_;
    bool committed_ = false;
};

} // namespace engine
