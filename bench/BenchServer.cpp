#include "BenchServer.h"

#include "DelayProxy.h"
#include "ServerSetup.h"
#include "engine/Database.h"
#include "engine/PgStore.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <cstdio>
#include <stdexcept>
#include <unistd.h>

namespace {

QString quotedConninfoValue(const QString& v) {
    QString out = QStringLiteral("'");
    for (const QChar c : v) {
        if (c == u'\'' || c == u'\\')
            out += u'\\';
        out += c;
    }
    return out + u'\'';
}

QString databaseOf(const QString& conninfo) {
    return engine::conninfoOptions(conninfo).value(QStringLiteral("dbname"));
}

} // namespace

QString conninfoWith(const QString& conninfo, const QHash<QString, QString>& set) {
    QHash<QString, QString> options = engine::conninfoOptions(conninfo);
    for (auto it = set.begin(); it != set.end(); ++it) {
        if (it.value().isEmpty())
            options.remove(it.key());
        else
            options.insert(it.key(), it.value());
    }
    QStringList keys = options.keys();
    keys.sort();
    QStringList parts;
    for (const QString& k : keys)
        parts << k + u'=' + quotedConninfoValue(options.value(k));
    return parts.join(u' ');
}

BenchServer::BenchServer(const QString& conninfo, int latencyMs)
    : conninfo_(conninfo)
    , latencyMs_(latencyMs) {
    {
        engine::ServerLoad probe(conninfo_);
        const QList<QStringList> v = probe.rows(QStringLiteral("SELECT current_setting('server_version'), "
                                                               "current_setting('server_version_num')"));
        version_ = v.value(0).value(0);
        versionNumber_ = v.value(0).value(1).toInt();
    }
    if (latencyMs_ > 0) {
        const QHash<QString, QString> o = engine::conninfoOptions(conninfo_);
        const QString port = o.value(QStringLiteral("port"), QStringLiteral("5432"));
        proxy_ =
            std::make_unique<DelayProxy>(o.value(QStringLiteral("host"), o.value(QStringLiteral("hostaddr"))),
                                         port.toInt(), latencyMs_ / 2.0);
    }
}

BenchServer::~BenchServer() {
    QStringList drops;
    for (const QString& name : copies_ + QStringList{data_})
        if (!name.isEmpty())
            drops << QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name);
    try {
        admin(drops);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kts-bench: the benchmark's databases stay on the server: %s\n", e.what());
    }
}

QString BenchServer::conninfoOf(const QString& database, bool throughProxy) const {
    QHash<QString, QString> set{{QStringLiteral("dbname"), database}};
    if (throughProxy && proxy_) {
        set.insert(QStringLiteral("host"), proxy_->host());
        set.insert(QStringLiteral("port"), QString::number(proxy_->port()));
        set.insert(QStringLiteral("hostaddr"), QString());
    }
    return conninfoWith(conninfo_, set);
}

void BenchServer::admin(const QStringList& statements) const {
    if (!statements.isEmpty())
        engine::runOnServer(conninfo_, statements, engine::ServerTransaction::None);
}

void BenchServer::load(const QString& folder) {
    QElapsedTimer timer;
    timer.start();
    data_ = QStringLiteral("kts_bench_%1").arg(::getpid());
    admin({QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(data_),
           QStringLiteral("CREATE DATABASE %1").arg(data_)});
    const QString target = conninfoOf(data_, false);
    // The files go onto the server as a workshop's go: by kts-server's own move.
    QString said;
    QTextStream out(&said);
    QTextStream err(&said);
    if (serversetup::move(target, folder, out, err) != serversetup::Done) {
        out.flush();
        err.flush();
        throw std::runtime_error("the data set could not be moved onto the server:\n" + said.toStdString());
    }
    loadSeconds_ = timer.elapsed() / 1000.0;
}

QString BenchServer::freshDatabase() {
    if (data_.isEmpty())
        throw std::logic_error("BenchServer: nothing loaded");
    const QString name = QStringLiteral("%1_%2").arg(data_).arg(copies_.size() + 1);
    // A file copy of the loaded database (no WAL of every page where the server can avoid it).
    const QString strategy = versionNumber_ >= 150000 ? QStringLiteral(" STRATEGY FILE_COPY") : QString();
    admin({QStringLiteral("CREATE DATABASE %1 TEMPLATE %2%3").arg(name, data_, strategy)});
    copies_ << name;
    return conninfoOf(name, true);
}

void BenchServer::drop(const QString& sessionConninfo) {
    const QString name = databaseOf(sessionConninfo);
    if (!copies_.contains(name))
        throw std::logic_error("BenchServer: not a copy of ours: " + name.toStdString());
    admin({QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name)});
    copies_.removeAll(name);
}

QString BenchServer::describe() const {
    QString out = QStringLiteral("PostgreSQL %1 at %2").arg(version_, engine::describeServer(conninfo_));
    if (latencyMs_ > 0)
        out += QStringLiteral(", %1 ms added to every round trip (delaying proxy)").arg(latencyMs_);
    return out;
}
