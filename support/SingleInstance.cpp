#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

QString canonical(const QString& directory) {
    const QString c = QDir(directory).canonicalPath();
    return c.isEmpty() ? QDir(directory).absolutePath() : c;
}

} // namespace

SingleInstance::SingleInstance(const QString& directory, QObject* parent)
    : QObject(parent)
    , serverName_(QStringLiteral("KelvoraTeknikServis-") +
                  QString::fromLatin1(
                      QCryptographicHash::hash(canonical(directory).toUtf8(), QCryptographicHash::Sha1)
                          .toHex()
                          .left(16)))
    , lock_(QDir(directory).filePath(QStringLiteral("KelvoraTeknikServis.lock"))) {
    // A running program keeps its lock however long it runs; only a dead owner makes it stale.
    lock_.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Start SingleInstance::start() {
    if (lock_.tryLock(0)) {
        server_ = new QLocalServer(this);
        // A crashed copy may have left its socket behind; the lock says it is ours now.
        QLocalServer::removeServer(serverName_);
        connect(server_, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* peer = server_->nextPendingConnection()) {
                peer->deleteLater();
                Q_EMIT showRequested();
            }
        });
        server_->listen(serverName_);
        return Start::First;
    }
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (socket.waitForConnected(2000)) {
        socket.write("show\n");
        socket.waitForBytesWritten(1000);
        socket.disconnectFromServer();
        return Start::AskedToShow;
    }
    return Start::AlreadyRunning;
}
