#include "ServerBackup.h"

#include "Schema.h"
#include "engine/Database.h"
#include "engine/DbError.h"
#include "engine/PgStore.h"

#include <QFile>

namespace serverbackup {

namespace {

struct Stopped {};

struct File {
    QString name;
    QString copy;
};

// A snapshot sees every transaction below its xmin and none from its xmax on. Nothing was written
// since while the server's next transaction number is still the snapshot's xmin: the numbers are
// the whole server's, so another database's writes count too, which only costs a backup more.
QString markPrefix(const QString& conninfo) {
    return QStringLiteral("sunucu %1 xmin ").arg(engine::describeServer(conninfo));
}

QString snapshotNumber(engine::ServerLoad& load, const char* which) {
    return load
        .rows(QStringLiteral("SELECT pg_snapshot_%1(pg_current_snapshot())::text").arg(QLatin1String(which)))
        .value(0)
        .value(0);
}

} // namespace

bool snapshot(const QString& conninfo, const QString& servisCopy, const QString& stokCopy,
              const std::function<bool(qint64, qint64)>& goOn, QString* error, QString* mark) {
    const File files[] = {{schema::kServisFile, servisCopy}, {schema::kStokFile, stokCopy}};
    const auto removeCopies = [&] {
        for (const File& f : files)
            QFile::remove(f.copy);
    };
    try {
        engine::ServerLoad load(conninfo);
        load.readOnlySnapshot();
        if (mark)
            *mark = markPrefix(conninfo) + snapshotNumber(load, "xmin");
        // Every count and every row below is of the same moment.
        qint64 total = 0;
        for (const File& f : files)
            for (const QString& table : schema::tableNamesOf(f.name))
                total += load.count(schema::serverSchemaOf(f.name), table.toLower());
        qint64 done = 0;
        if (!goOn(done, total))
            throw Stopped{};
        for (const File& f : files) {
            engine::createDatabaseFile(f.copy, schema::statementsOf(f.name));
            const auto db = engine::Database::openFile(f.copy);
            engine::Database::Transaction together(*db);
            for (const QString& table : schema::tableNamesOf(f.name)) {
                const QString source = schema::serverSchemaOf(f.name) + u'.' + table.toLower();
                const qint64 expected = load.count(schema::serverSchemaOf(f.name), table.toLower());
                qint64 copied = 0;
                load.each(QStringLiteral("SELECT * FROM %1 ORDER BY id").arg(source),
                          [&](const QVariantList& row) {
                              QStringList marks;
                              for (qsizetype i = 0; i < row.size(); ++i)
                                  marks << QStringLiteral("?");
                              engine::Statement s = db->prepare(
                                  QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(table, marks.join(u',')));
                              s.bindAll(row);
                              s.run();
                              ++copied;
                              if (++done % 2000 == 0 && !goOn(done, total))
                                  throw Stopped{};
                          });
                if (copied != expected)
                    throw engine::DbError(
                        engine::ErrEngine,
                        QStringLiteral("%1 tablosunun %2 kaydından %3 tanesi yedeğe yazıldı.")
                            .arg(table)
                            .arg(expected)
                            .arg(copied));
            }
            together.commit();
        }
        goOn(total, total);
        return true;
    } catch (const Stopped&) {
        error->clear();
    } catch (const engine::DbError& e) {
        *error = e.description();
    }
    removeCopies();
    return false;
}

bool writtenSince(const QString& conninfo, const QString& mark) {
    const QString prefix = markPrefix(conninfo);
    if (!mark.startsWith(prefix))
        return true;
    try {
        engine::ServerLoad load(conninfo);
        return snapshotNumber(load, "xmax").toULongLong() > mark.mid(prefix.size()).toULongLong();
    } catch (const engine::DbError&) {
        return true;
    }
}

int otherDesks(engine::Database& servis) {
    // Each desk names its connections after itself (see the engine's server store).
    engine::Statement s = servis.prepare(QStringLiteral(
        "SELECT count(DISTINCT application_name) FROM pg_stat_activity WHERE datname = current_database() "
        "AND application_name LIKE 'kts-masa %' AND application_name <> "
        "current_setting('application_name')"));
    s.step();
    return static_cast<int>(s.int64(0));
}

} // namespace serverbackup
