#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVariantList>

// A program directory of its own with fresh empty databases, for one test. When the test runs
// against the private PostgreSQL server (KTS_PG_CONNINFO_FILE names its connection string), the
// databases are fresh schemas of a server database of the test program's own instead, and the
// engine is pointed at it; the file names in the directory then stand for those schemas.
class TestDatabase {
public:
    TestDatabase();
    QString dir() const { return dir_.path(); }
    QString servis() const;
    QString stok() const;
    // Plain SQL on one of the databases, for laying out and checking data behind the program's
    // back; written for SQLite, the few SQLite functions tests use are renamed on a server.
    static void sql(const QString& file, const QString& statement, const QVariantList& params = {});
    static QVariant scalar(const QString& file, const QString& query, const QVariantList& params = {});
    // The first column of every row, in the query's order, as texts joined by '|'.
    static QString joined(const QString& file, const QString& query, const QVariantList& params = {});
    // From now on the store refuses every `event` ("INSERT", "UPDATE") on the table, as a full
    // disk would: a trigger named `name` that a later DROP TRIGGER can take away.
    static void refuse(const QString& file, const QString& event, const QString& table,
                       const QString& name = QStringLiteral("dolu"));
    // A write by another program (SQLite) or another desk (server), on a connection of its own.
    static void fromAnotherProgram(const QString& file, const QString& statement);

    static bool onServer();
    // The server database of this test program: its connection string, empty without a server.
    static QString server();

private:
    QTemporaryDir dir_;
};
