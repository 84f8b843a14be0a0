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
    engine::Statement s = db->prepare(statement);
    s.bindAll(params);
    s.run();
    db->changed();
}

QVariant TestDatabase::scalar(const QString& file, const QString& query, const QVariantList& params) {
    auto db = engine::Database::open(file);
    engine::Statement s = db->prepare(query);
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
