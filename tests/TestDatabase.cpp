#include "TestDatabase.h"

#include "Schema.h"
#include "engine/Database.h"
#include "engine/PgStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <unistd.h>

namespace {

// The conninfo of the server's maintenance database, or empty when the test runs on files. A
// test meant for the server whose server did not start is skipped (77), never run on files.
QString adminConninfo() {
    static const QString conninfo = [] {
        const QByteArray file = qgetenv("KTS_PG_CONNINFO_FILE");
        if (file.isEmpty())
            return QString();
        QFile f(QString::fromLocal8Bit(file));
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "SKIP: the private PostgreSQL server did not start (%s missing)\n",
                         file.constData());
            std::exit(77);
        }
        return QString::fromUtf8(f.readAll()).trimmed();
    }();
    return conninfo;
}

// The position of the parenthesis that closes the one just before `from`, or the end.
qsizetype closing(const QString& sql, qsizetype from) {
    int depth = 0;
    for (qsizetype i = from; i < sql.size(); ++i) {
        if (sql[i] == u'(')
            ++depth;
        else if (sql[i] == u')' && depth-- == 0)
            return i;
    }
    return sql.size();
}

// The tests' own queries are written for SQLite; on the server the few SQLite functions they use
// take their PostgreSQL spelling (quote() is quote_nullable(), group_concat() is string_agg()),
// and a subquery in FROM gets the name PostgreSQL 15 asks for.
QString forStore(QString sql) {
    if (adminConninfo().isEmpty())
        return sql;
    sql.replace(QStringLiteral("quote("), QStringLiteral("quote_nullable("));
    const QString subquery = QStringLiteral("FROM (");
    for (qsizetype at = sql.indexOf(subquery); at >= 0; at = sql.indexOf(subquery, at + 1)) {
        const qsizetype end = closing(sql, at + subquery.size());
        if (end < sql.size())
            sql.insert(end + 1, QStringLiteral(" AS kts_sub"));
    }
    const QString call = QStringLiteral("group_concat(");
    for (qsizetype at = sql.indexOf(call); at >= 0; at = sql.indexOf(call, at)) {
        const qsizetype i = closing(sql, at + call.size());
        qsizetype comma = -1;
        for (qsizetype j = at + call.size(), depth = 0; j < i; ++j) {
            if (sql[j] == u'(')
                ++depth;
            else if (sql[j] == u')')
                --depth;
            else if (sql[j] == u',' && depth == 0 && comma < 0)
                comma = j;
        }
        const qsizetype argStart = at + call.size();
        const QString value = sql.mid(argStart, (comma < 0 ? i : comma) - argStart);
        const QString separator =
            comma < 0 ? QStringLiteral("','") : sql.mid(comma + 1, i - comma - 1).trimmed();
        const QString replacement = QStringLiteral("string_agg((%1)::text, %2)").arg(value, separator);
        sql.replace(at, i + 1 - at, replacement);
        at += replacement.size();
    }
    return sql;
}

} // namespace

bool TestDatabase::onServer() {
    return !adminConninfo().isEmpty();
}

QString TestDatabase::server() {
    static const QString conninfo = [] {
        if (adminConninfo().isEmpty())
            return QString();
        const QString name = QStringLiteral("kts_%1_%2")
                                 .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName())
                                 .arg(::getpid());
        engine::runOnServer(adminConninfo(),
                            {QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name),
                             QStringLiteral("CREATE DATABASE %1").arg(name)},
                            engine::ServerTransaction::None);
        return adminConninfo() + QStringLiteral(" dbname=") + name;
    }();
    return conninfo;
}

TestDatabase::TestDatabase() {
    if (!onServer()) {
        schema::createMissingDatabases(dir_.path());
        return;
    }
    engine::setServer(server());
    engine::runOnServer(server(), QStringList{QStringLiteral("DROP SCHEMA IF EXISTS servis, stok CASCADE")} +
                                      schema::serverStatements());
}

QString TestDatabase::servis() const {
    return QDir(dir_.path()).filePath(schema::kServisFile);
}
QString TestDatabase::stok() const {
    return QDir(dir_.path()).filePath(schema::kStokFile);
}

void TestDatabase::sql(const QString& file, const QString& statement, const QVariantList& params) {
    auto db = engine::Database::open(file);
    engine::Statement s = db->prepare(forStore(statement));
    s.bindAll(params);
    s.run();
    db->changed();
}

QVariant TestDatabase::scalar(const QString& file, const QString& query, const QVariantList& params) {
    auto db = engine::Database::open(file);
    engine::Statement s = db->prepare(forStore(query));
    s.bindAll(params);
    return s.step() ? s.value(0) : QVariant();
}

QString TestDatabase::joined(const QString& file, const QString& query, const QVariantList& params) {
    auto db = engine::Database::open(file);
    engine::Statement s = db->prepare(query);
    s.bindAll(params);
    QStringList out;
    while (s.step())
        out << s.value(0).toString();
    return out.join(u'|');
}

void TestDatabase::refuse(const QString& file, const QString& event, const QString& table,
                          const QString& name) {
    if (!onServer()) {
        sql(file,
            QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 BEGIN SELECT RAISE(ABORT, 'disk dolu'); END")
                .arg(name, event, table));
        return;
    }
    sql(file, QStringLiteral("CREATE OR REPLACE FUNCTION kts_dolu() RETURNS trigger LANGUAGE plpgsql AS "
                             "$$ BEGIN RAISE EXCEPTION 'disk dolu'; END $$"));
    sql(file, QStringLiteral("CREATE TRIGGER %1 BEFORE %2 ON %3 FOR EACH ROW EXECUTE FUNCTION kts_dolu()")
                  .arg(name, event, table));
}

void TestDatabase::fromAnotherProgram(const QString& file, const QString& statement) {
    if (onServer()) {
        engine::runOnServer(
            server(), {QStringLiteral("SET search_path TO ") + schema::serverSchemaOf(file), statement});
        return;
    }
    sqlite3* other = nullptr;
    if (sqlite3_open(file.toUtf8().constData(), &other) != SQLITE_OK ||
        sqlite3_exec(other, statement.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("another program could not write: %s", sqlite3_errmsg(other));
    sqlite3_close(other);
}
