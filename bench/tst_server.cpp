#include "BenchServer.h"
#include "DelayProxy.h"
#include "Raw.h"
#include "engine/PgStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kPort = 5999;

sockaddr_un socketAddress(const QString& folder) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const QByteArray path =
        QFile::encodeName(QDir(folder).filePath(QStringLiteral(".s.PGSQL.%1").arg(kPort)));
    std::memcpy(a.sun_path, path.constData(), size_t(path.size()));
    return a;
}

// A server that sends back whatever it reads, one connection at a time, and closes its side once
// the client has closed its own.
class EchoServer {
public:
    explicit EchoServer(const QString& folder) {
        listener_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const sockaddr_un a = socketAddress(folder);
        if (::bind(listener_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(listener_, 4) != 0)
            qFatal("echo server: cannot listen");
        thread_ = std::thread([this] {
            for (;;) {
                const int c = ::accept(listener_, nullptr, nullptr);
                if (c < 0)
                    return;
                char buffer[4096];
                ssize_t n;
                while ((n = ::read(c, buffer, sizeof buffer)) > 0)
                    if (::send(c, buffer, size_t(n), MSG_NOSIGNAL) != n)
                        break;
                ::close(c);
            }
        });
    }
    ~EchoServer() {
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
    }

private:
    int listener_ = -1;
    std::thread thread_;
};

int connectTo(const DelayProxy& proxy) {
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un a = socketAddress(proxy.host());
    if (::connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0)
        qFatal("cannot reach the proxy");
    return s;
}

QByteArray readExactly(int s, qsizetype size) {
    QByteArray out;
    char buffer[65536];
    while (out.size() < size) {
        const ssize_t n = ::read(s, buffer, size_t(std::min<qsizetype>(sizeof buffer, size - out.size())));
        if (n <= 0)
            break;
        out.append(buffer, n);
    }
    return out;
}

} // namespace

class TestServerParts : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placeholdersBecomeNumberedOutsideQuotes() {
        int count = 0;
        QCOMPARE(numberedPlaceholders("SELECT ? , '?' , \"a?\" , ?3, ?", &count),
                 std::string("SELECT $1 , '?' , \"a?\" , $3, $4"));
        QCOMPARE(count, 4);
        QCOMPARE(numberedPlaceholders("x = ?1 OR y = ?1", &count), std::string("x = $1 OR y = $1"));
        QCOMPARE(count, 1);
    }

    void conninfoKeepsWhatIsNotSetAnew() {
        const QString out = conninfoWith(
            QStringLiteral("host='/tmp/a b' port=5432 dbname=postgres user=kts"),
            {{QStringLiteral("dbname"), QStringLiteral("it's")}, {QStringLiteral("user"), QString()}});
        const QHash<QString, QString> o = engine::conninfoOptions(out);
        QCOMPARE(o.value(QStringLiteral("host")), QStringLiteral("/tmp/a b"));
        QCOMPARE(o.value(QStringLiteral("port")), QStringLiteral("5432"));
        QCOMPARE(o.value(QStringLiteral("dbname")), QStringLiteral("it's"));
        QVERIFY(!o.contains(QStringLiteral("user")));
    }

    void proxyPassesEveryByteInOrderBothWays() {
        QTemporaryDir upstream;
        EchoServer echo(upstream.path());
        DelayProxy proxy(upstream.path(), kPort, 1);
        const int s = connectTo(proxy);
        QByteArray sent;
        for (int i = 0; i < 300000; ++i)
            sent.append(char('a' + i % 26)).append(char('0' + i / 26 % 10));
        // Sent in uneven pieces, so that the proxy reads them in pieces of its own.
        for (qsizetype at = 0; at < sent.size();) {
            const qsizetype piece = std::min<qsizetype>(1 + at % 7919, sent.size() - at);
            QCOMPARE(::send(s, sent.constData() + at, size_t(piece), MSG_NOSIGNAL), ssize_t(piece));
            at += piece;
        }
        QCOMPARE(readExactly(s, sent.size()), sent);
        ::close(s);
    }

    // The delay is a property the benchmark's latency figures rest on: a round trip is never
    // shorter than both directions' delays together.
    void roundTripWaitsForBothDirections() {
        QTemporaryDir upstream;
        EchoServer echo(upstream.path());
        DelayProxy proxy(upstream.path(), kPort, 25);
        const int s = connectTo(proxy);
        for (int i = 0; i < 3; ++i) {
            QElapsedTimer t;
            t.start();
            QCOMPARE(::send(s, "ping", 4, MSG_NOSIGNAL), ssize_t(4));
            QCOMPARE(readExactly(s, 4), QByteArray("ping"));
            QVERIFY2(t.elapsed() >= 50, qPrintable(QString::number(t.elapsed())));
        }
        ::close(s);
    }

    void aCloseIsPassedOnAfterTheDataBeforeIt() {
        QTemporaryDir upstream;
        EchoServer echo(upstream.path());
        DelayProxy proxy(upstream.path(), kPort, 5);
        const int s = connectTo(proxy);
        QCOMPARE(::send(s, "last words", 10, MSG_NOSIGNAL), ssize_t(10));
        ::shutdown(s, SHUT_WR);
        // The server sees the data, then the end; it closes, and that end comes back after its data.
        QCOMPARE(readExactly(s, 10), QByteArray("last words"));
        char c;
        QCOMPARE(::read(s, &c, 1), ssize_t(0));
        ::close(s);
    }

    void connectionsAreIndependent() {
        QTemporaryDir upstream;
        EchoServer echo(upstream.path());
        DelayProxy proxy(upstream.path(), kPort, 1);
        // The echo server serves one connection at a time: the first must be closed for the second.
        for (const char* word : {"first", "second"}) {
            const int s = connectTo(proxy);
            const qsizetype n = qsizetype(std::strlen(word));
            QCOMPARE(::send(s, word, size_t(n), MSG_NOSIGNAL), ssize_t(n));
            QCOMPARE(readExactly(s, n), QByteArray(word));
            ::close(s);
        }
    }
};

QTEST_GUILESS_MAIN(TestServerParts)
#include "tst_server.moc"
