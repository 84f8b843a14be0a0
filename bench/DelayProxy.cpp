#include "DelayProxy.h"

#include <QDir>
#include <QFile>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <list>
#include <netdb.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void proxyFailed(const std::string& what) {
    throw std::runtime_error("delaying proxy: " + what + ": " + std::strerror(errno));
}

// libpq's socket for a folder and port.
sockaddr_un socketIn(const QString& folder, int port) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(QStringLiteral(".s.PGSQL.%1").arg(port)));
    if (size_t(path.size()) >= sizeof a.sun_path)
        throw std::runtime_error("delaying proxy: socket path too long: " + path.toStdString());
    std::memcpy(a.sun_path, path.constData(), size_t(path.size()));
    return a;
}

} // namespace

struct DelayProxy::Impl {
    // One direction of a connection: what was read, each piece with the moment it may go on.
    struct Flow {
        struct Piece {
            Clock::time_point due;
            std::string bytes; // empty: the sender closed its side
        };
        int from = -1;
        int to = -1;
        std::deque<Piece> waiting;
        std::string out;    // due, not yet taken by the receiver
        bool open = true;   // still reading
        bool ended = false; // the close reached the front of the line
        bool shut = false;  // and was passed on

        bool finished() const { return shut; }
    };

    struct Link {
        int client = -1;
        int server = -1;
        Flow up;   // client to server
        Flow down; // server to client
        bool broken = false;
    };

    Impl(const QString& host, int port, double oneWayMs)
        : port_(port)
        , delay_(std::chrono::duration_cast<Clock::duration>(
              std::chrono::duration<double, std::milli>(oneWayMs))) {
        upstream(host, port);
        char folder[] = "/tmp/kts-proxy.XXXXXX";
        if (!mkdtemp(folder))
            proxyFailed("mkdtemp");
        folder_ = QString::fromLocal8Bit(folder);
        const sockaddr_un at = socketIn(folder_, port_);
        listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (listener_ < 0 || ::bind(listener_, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 ||
            ::listen(listener_, 64) != 0)
            proxyFailed("listen on " + std::string(at.sun_path));
        if (::pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0)
            proxyFailed("pipe");
        thread_ = std::thread([this] { serve(); });
    }

    ~Impl() {
        stop_ = true;
        const char c = 0;
        [[maybe_unused]] const ssize_t n = ::write(wake_[1], &c, 1);
        thread_.join();
        for (Link& l : links_)
            close(l);
        ::close(listener_);
        ::close(wake_[0]);
        ::close(wake_[1]);
        QFile::remove(QDir(folder_).filePath(QStringLiteral(".s.PGSQL.%1").arg(port_)));
        QDir().rmdir(folder_);
    }

    void upstream(const QString& host, int port) {
        if (host.isEmpty() || host.startsWith(u'/')) {
            const sockaddr_un a =
                socketIn(host.isEmpty() ? QStringLiteral("/var/run/postgresql") : host, port);
            std::memcpy(&target_, &a, sizeof a);
            targetLength_ = sizeof a;
            return;
        }
        addrinfo hints{};
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (getaddrinfo(host.toUtf8().constData(), std::to_string(port).c_str(), &hints, &found) != 0 ||
            !found)
            throw std::runtime_error("delaying proxy: cannot resolve " + host.toStdString());
        std::memcpy(&target_, found->ai_addr, found->ai_addrlen);
        targetLength_ = found->ai_addrlen;
        freeaddrinfo(found);
    }

    void accept() {
        for (;;) {
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (client < 0)
                return;
            // The connection to the server is made at once; only the data that follows waits.
            const int server = ::socket(target_.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (server < 0 ||
                ::connect(server, reinterpret_cast<const sockaddr*>(&target_), targetLength_) != 0) {
                if (server >= 0)
                    ::close(server);
                ::close(client);
                continue;
            }
            ::fcntl(server, F_SETFL, ::fcntl(server, F_GETFL) | O_NONBLOCK);
            Link& l = links_.emplace_back();
            l.client = client;
            l.server = server;
            l.up.from = l.down.to = client;
            l.up.to = l.down.from = server;
        }
    }

    // Reads what is there; each piece waits its time.
    void read(Link& l, Flow& f, Clock::time_point now) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::recv(f.from, buffer, sizeof buffer, 0);
            if (n > 0) {
                f.waiting.push_back({now + delay_, std::string(buffer, size_t(n))});
                continue;
            }
            if (n == 0) {
                f.waiting.push_back({now + delay_, {}});
                f.open = false;
            } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                l.broken = true;
            }
            return;
        }
    }

    // Passes on what is due, as far as the receiver takes it.
    void write(Link& l, Flow& f, Clock::time_point now) {
        while (!f.waiting.empty() && f.waiting.front().due <= now) {
            if (f.waiting.front().bytes.empty())
                f.ended = true;
            else
                f.out += f.waiting.front().bytes;
            f.waiting.pop_front();
        }
        while (!f.out.empty()) {
            const ssize_t n = ::send(f.to, f.out.data(), f.out.size(), MSG_NOSIGNAL);
            if (n < 0) {
                if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                    l.broken = true;
                return;
            }
            f.out.erase(0, size_t(n));
        }
        if (f.ended && !f.shut) {
            ::shutdown(f.to, SHUT_WR);
            f.shut = true;
        }
    }

    static void close(Link& l) {
        ::close(l.client);
        ::close(l.server);
    }

    void serve() {
        std::vector<pollfd> fds;
        while (!stop_) {
            Clock::time_point now = Clock::now();
            Clock::time_point next = Clock::time_point::max();
            for (auto it = links_.begin(); it != links_.end();) {
                write(*it, it->up, now);
                write(*it, it->down, now);
                if (it->broken || (it->up.finished() && it->down.finished())) {
                    close(*it);
                    it = links_.erase(it);
                    continue;
                }
                for (const Flow* f : {&it->up, &it->down})
                    if (!f->waiting.empty())
                        next = std::min(next, f->waiting.front().due);
                ++it;
            }

            fds.clear();
            fds.push_back({wake_[0], POLLIN, 0});
            fds.push_back({listener_, POLLIN, 0});
            for (const Link& l : links_) {
                fds.push_back(
                    {l.client, short((l.up.open ? POLLIN : 0) | (l.down.out.empty() ? 0 : POLLOUT)), 0});
                fds.push_back(
                    {l.server, short((l.down.open ? POLLIN : 0) | (l.up.out.empty() ? 0 : POLLOUT)), 0});
            }
            timespec wait{};
            timespec* timeout = nullptr;
            if (next != Clock::time_point::max()) {
                const auto ns = std::max<long long>(
                    0, std::chrono::duration_cast<std::chrono::nanoseconds>(next - now).count());
                wait.tv_sec = time_t(ns / 1000000000);
                wait.tv_nsec = long(ns % 1000000000);
                timeout = &wait;
            }
            if (::ppoll(fds.data(), fds.size(), timeout, nullptr) < 0 && errno != EINTR) {
                std::fprintf(stderr, "delaying proxy: poll: %s\n", std::strerror(errno));
                return;
            }

            now = Clock::now();
            if (fds[1].revents & POLLIN)
                accept();
            size_t i = 2;
            for (Link& l : links_) {
                if (i >= fds.size())
                    break; // accepted during this pass: polled from the next one on
                if (l.up.open && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                    read(l, l.up, now);
                if (l.down.open && (fds[i + 1].revents & (POLLIN | POLLHUP | POLLERR)))
                    read(l, l.down, now);
                i += 2;
            }
        }
    }

    int port_;
    Clock::duration delay_;
    sockaddr_storage target_{};
    socklen_t targetLength_ = 0;
    QString folder_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::list<Link> links_;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

DelayProxy::DelayProxy(const QString& host, int port, double oneWayMs)
    : impl_(std::make_unique<Impl>(host, port, oneWayMs)) {}

DelayProxy::~DelayProxy() = default;

QString DelayProxy::host() const {
    return impl_->folder_;
}

int DelayProxy::port() const {
    return impl_->port_;
}
