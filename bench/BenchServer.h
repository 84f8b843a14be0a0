#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>

class DelayProxy;

// The data set on a PostgreSQL server: moved once into a database of its own as kts-server moves
// a workshop's files (the program's schemas, COPY), of which every session of the benchmark gets
// a fresh copy, as it gets a fresh copy of the files. With a latency, the sessions reach the server
// through a delaying proxy; the loading and copying go to it directly.
class BenchServer {
public:
    // `conninfo` reaches a database of the server as a user that may create databases.
    BenchServer(const QString& conninfo, int latencyMs);
    ~BenchServer(); // drops every database it made
    BenchServer(const BenchServer&) = delete;
    BenchServer& operator=(const BenchServer&) = delete;

    // Loads the data set in `folder` (Servis.mdb and Stok.mdb, up to date); then VACUUM (FREEZE, ANALYZE).
    void load(const QString& folder);
    double loadSeconds() const { return loadSeconds_; }

    // A new database holding the data set as loaded; its connection string for the program and
    // the baseline (through the proxy with a latency).
    QString freshDatabase();
    // Drops a database freshDatabase made, whoever is still connected to it.
    void drop(const QString& sessionConninfo);

    int latencyMs() const { return latencyMs_; }
    // "PostgreSQL 15.2 at /tmp/x:5432" and the latency added, for the report.
    QString describe() const;

private:
    QString conninfoOf(const QString& database, bool throughProxy) const;
    void admin(const QStringList& statements) const;

    QString conninfo_;
    int latencyMs_;
    std::unique_ptr<DelayProxy> proxy_;
    QString version_;
    int versionNumber_ = 0;
    QString data_; // the database loaded
    QStringList copies_;
    double loadSeconds_ = 0;
};

// A connection string in keyword form, with some keywords set anew (an empty value drops one).
QString conninfoWith(const QString& conninfo, const QHash<QString, QString>& set);
