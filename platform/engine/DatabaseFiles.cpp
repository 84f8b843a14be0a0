#include "DatabaseFiles.h"

#include "Database.h"

#include <QFile>
#include <fcntl.h>
#include <future>
#include <memory>
#include <sqlite3.h>
#include <unistd.h>
#include <vector>

namespace engine {

namespace {

constexpr int kPagesPerStep = 1024;
constexpr std::chrono::milliseconds kPoll(20); // how often the window is let through

// A connection of its own, closed on every way out.
class Handle {
public:
    Handle(const QString& path, int flags) {
        rc_ = sqlite3_open_v2(path.toUtf8().constData(), &db_, flags, nullptr);
    }
    ~Handle() { sqlite3_close(db_); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool ok() const { return rc_ == SQLITE_OK; }
    sqlite3* get() const { return db_; }
    QString error() const {
        return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("bellek yetersiz");
    }

private:
    sqlite3* db_ = nullptr;
    int rc_ = SQLITE_ERROR;
};

} // namespace

QStringList integrityProblems(const QStringList& paths, Check depth, const std::function<bool()>& goOn,
                              bool* stopped) {
    const char* sql = depth == Check::Full ? "PRAGMA integrity_check(5)" : "PRAGMA quick_check(5)";
    std::vector<std::unique_ptr<Handle>> handles;
    std::vector<std::future<QString>> results;
    // Each check is one long step of SQLite's, on a thread of its own: the files are checked at
    // once, and the window stays free to repaint and to stop them.
    for (const QString& path : paths) {
        handles.push_back(std::make_unique<Handle>(path, SQLITE_OPEN_READONLY));
        Handle* db = handles.back().get();
        results.push_back(std::async(std::launch::async, [db, sql]() -> QString {
            if (!db->ok())
                return db->error();
            sqlite3_stmt* check = nullptr;
            if (sqlite3_prepare_v2(db->get(), sql, -1, &check, nullptr) != SQLITE_OK)
                return db->error();
            QStringList found;
            int rc;
            while ((rc = sqlite3_step(check)) == SQLITE_ROW)
                found << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
            sqlite3_finalize(check);
            if (rc != SQLITE_DONE)
                return db->error();
            return found == QStringList{QStringLiteral("ok")} ? QString() : found.join(u'\n');
        }));
    }
    bool interrupted = false;
    for (auto& result : results)
        while (result.wait_for(kPoll) != std::future_status::ready)
            if (!interrupted && goOn && !goOn()) {
                for (const auto& h : handles)
                    if (h->ok())
                        sqlite3_interrupt(h->get());
                interrupted = true;
            }
    QStringList problems;
    for (auto& result : results)
        problems << result.get();
    if (interrupted) {
        if (stopped)
            *stopped = true;
        return QStringList(paths.size(), QString());
    }
    return problems;
}

QString integrityProblem(const QString& path, Check depth) {
    return integrityProblems({path}, depth).constFirst();
}

void recoverJournal(const QString& path) {
    Handle db(path, SQLITE_OPEN_READWRITE);
    if (db.ok())
        sqlite3_exec(db.get(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
}

QStringList companionFiles(const QString& path) {
    return {path + QStringLiteral("-journal"), path + QStringLiteral("-wal"), path + QStringLiteral("-shm")};
}

bool backupDatabase(Database& source, const QString& target, const std::function<bool(qint64, qint64)>& goOn,
                    QString* error) {
    const auto failed = [&](const QString& why) {
        *error = why;
        QFile::remove(target);
        for (const QString& f : companionFiles(target))
            QFile::remove(f);
        return false;
    };
    bool ok = false;
    {
        Handle dest(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if (!dest.ok())
            return failed(dest.error());
        // A new file nobody else sees: no journal is needed, and one sync at the end.
        sqlite3_exec(dest.get(), "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr,
                     nullptr);
        sqlite3_backup* b = sqlite3_backup_init(dest.get(), "main", source.handle(), "main");
        if (!b)
            return failed(dest.error());
        int rc;
        bool stopped = false;
        while ((rc = sqlite3_backup_step(b, kPagesPerStep)) == SQLITE_OK || rc == SQLITE_BUSY ||
               rc == SQLITE_LOCKED) {
            const int total = sqlite3_backup_pagecount(b);
            if (goOn && !goOn(total - sqlite3_backup_remaining(b), total)) {
                stopped = true;
                break;
            }
            if (rc != SQLITE_OK)
                sqlite3_sleep(20);
        }
        sqlite3_backup_finish(b);
        if (stopped)
            return failed(QString());
        if (rc != SQLITE_DONE)
            return failed(QString::fromUtf8(sqlite3_errstr(rc)));
        ok = sqlite3_errcode(dest.get()) == SQLITE_OK;
        if (!ok)
            return failed(dest.error());
    }
    // The sync of a large file takes a while; the window is let through meanwhile.
    auto synced = std::async(std::launch::async, [&] {
        const int fd = ::open(QFile::encodeName(target).constData(), O_RDONLY);
        const bool done = fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0)
            ::close(fd);
        return done;
    });
    bool stopped = false;
    while (synced.wait_for(kPoll) != std::future_status::ready)
        if (goOn && !stopped && !goOn(1, 1))
            stopped = true;
    if (!synced.get())
        return failed(QStringLiteral("dosya diske yazılamadı"));
    if (stopped)
        return failed(QString());
    return ok;
}

} // namespace engine
