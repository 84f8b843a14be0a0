#pragma once

#include <QString>
#include <memory>

// A forwarder of a database server's connections that holds every piece of data for the same time
// in each direction, in order: the latency of a network without touching the machine's network
// interfaces. It listens on a Unix socket of its own, in a folder of its own (libpq's host and
// port), and serves every connection on one thread of its own.
class DelayProxy {
public:
    // `host` and `port` as libpq takes them: a socket folder, or a name or address for TCP.
    // `oneWayMs` is added to each direction, so a round trip gains twice that.
    DelayProxy(const QString& host, int port, double oneWayMs);
    ~DelayProxy();
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    QString host() const; // the folder of the listening socket
    int port() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
