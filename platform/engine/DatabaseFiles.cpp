#include "DatabaseFiles.h"

#include "Database.h"
#include "files/SystemError.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <future>
#include <memory>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace engine {

namespace {

constexpr int kPagesPerStep = 1024;
constexpr std::chrono::milliseconds kPoll(20); // how often the window is let through

} // namespace

// A connection of its own, closed on every way out.
class Handle {
public:
    Handle(const QString& path, int flags) { rc_ = openConnection(path, flags, &db_); }
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

IntegrityCheck::IntegrityCheck(const QString& path, Check depth)
    : db_(std::make_unique<Handle>(path, SQLITE_OPEN_READONLY)) {
    // A page cache of some size: the full check visits index pages again and again, and with
    // SQLite's 2 MB default it reads them from the file each time, several times slower.
    if (!db_->ok() ||
        sqlite3_exec(db_->get(), "PRAGMA cache_size=-16384; BEGIN; SELECT count(*) FROM sqlite_master",
                     nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::promise<QString> failed;
        failed.set_value(db_->error());
        result_ = failed.get_future();
        return;
    }
    // The read transaction is open already: the check sees the file as it is now, however long
    // it takes to start. It is one long step of SQLite's, on a thread of its own.
    const char* sql = depth == Check::Full ? "PRAGMA integrity_check(5)" : "PRAGMA quick_check(5)";
    result_ = std::async(std::launch::async, [db = db_->get(), sql]() -> QString {
        sqlite3_stmt* check = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &check, nullptr) != SQLITE_OK)
            return QString::fromUtf8(sqlite3_errmsg(db));
        QStringList found;
        int rc;
        while ((rc = sqlite3_step(check)) == SQLITE_ROW)
            found << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
        sqlite3_finalize(check);
        if (rc != SQLITE_DONE)
            return QString::fromUtf8(sqlite3_errmsg(db));
        return found == QStringList{QStringLiteral("ok")} ? QString() : found.join(u'\n');
    });
}

// The thread's future goes first and waits for the check to end; the connection closes after.
IntegrityCheck::~IntegrityCheck() = default;

bool IntegrityCheck::done() const {
    return result_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

void IntegrityCheck::stop() {
    if (db_->ok())
        sqlite3_interrupt(db_->get());
}

QString IntegrityCheck::problem() {
    if (!problem_)
        problem_ = result_.get();
    return *problem_;
}

QStringList finishChecks(const std::vector<std::unique_ptr<IntegrityCheck>>& checks,
                         const std::function<bool()>& goOn, bool* stopped) {
    bool interrupted = false;
    for (const auto& check : checks)
        while (!check->done()) {
            std::this_thread::sleep_for(kPoll);
            if (!interrupted && goOn && !goOn()) {
                for (const auto& c : checks)
                    c->stop();
                interrupted = true;
            }
        }
    QStringList problems;
    for (const auto& check : checks)
        problems << (interrupted ? QString() : check->problem());
    if (interrupted && stopped)
        *stopped = true;
    return problems;
}

QStringList integrityProblems(const QStringList& paths, Check depth, const std::function<bool()>& goOn,
                              bool* stopped) {
    std::vector<std::unique_ptr<IntegrityCheck>> checks;
    for (const QString& path : paths)
        checks.push_back(std::make_unique<IntegrityCheck>(path, depth));
    return finishChecks(checks, goOn, stopped);
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

namespace {

// Small enough that a step that waits for the disk still lets the window answer in time.
constexpr sqlite3_int64 kBytesPerStep = 1 << 20;

// True when the connection keeps a rollback journal and has no transaction of its own open: a
// read transaction then keeps every writer off the file.
bool fileStaysStillWhileReading(sqlite3* db) {
    if (!sqlite3_get_autocommit(db))
        return false;
    sqlite3_stmt* mode = nullptr;
    bool rollback = false;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &mode, nullptr) == SQLITE_OK &&
        sqlite3_step(mode) == SQLITE_ROW)
        rollback = sqlite3_stricmp(reinterpret_cast<const char*>(sqlite3_column_text(mode, 0)), "wal") != 0;
    sqlite3_finalize(mode);
    return rollback;
}

// Runs one step of a copy on a thread of its own and waits for it here, asking `goOn` with the
// part done meanwhile: a step that waits for a busy disk must not keep the window from
// answering. False in `*goingOn` once `goOn` said stop.
template <typename Step>
auto stepBeside(Step&& step, const std::function<bool(qint64, qint64)>& goOn, qint64 done, qint64 total,
                bool* goingOn) {
    auto running = std::async(std::launch::async, std::forward<Step>(step));
    while (running.wait_for(kPoll) != std::future_status::ready)
        if (goOn && !goOn(done, total))
            *goingOn = false;
    return running.get();
}

// The file's bytes, read through SQLite's own handle of it while `db` holds a read transaction:
// no writer can change the file meanwhile, and a journal left by one that died has been rolled
// back. A descriptor of our own would not do: closing it would drop every lock this process
// holds on the file.
bool beginRead(sqlite3* db, QString* error) {
    if (sqlite3_exec(db, "BEGIN; SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    *error = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

// The caller holds the read transaction (beginRead) around it.
bool copyWhileReading(sqlite3* db, const QString& to, const std::function<bool(qint64, qint64)>& goOn,
                      QString* error) {
    sqlite3_file* in = nullptr;
    sqlite3_int64 size = 0;
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    const int openError = errno;
    bool ok = out >= 0 && sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &in) == SQLITE_OK &&
              in && in->pMethods->xFileSize(in, &size) == SQLITE_OK;
    if (!ok)
        *error = out < 0 ? platform::turkishSystemError(openError)
                         : QStringLiteral("Veritabanı dosyası okunamadı.");
    bool goingOn = true;
    std::vector<char> buffer(kBytesPerStep);
    for (sqlite3_int64 done = 0; ok && done < size;) {
        const int step = static_cast<int>(std::min<sqlite3_int64>(kBytesPerStep, size - done));
        const auto copyStep = [&]() -> QString {
            if (in->pMethods->xRead(in, buffer.data(), step, done) != SQLITE_OK)
                return QStringLiteral("Veritabanı dosyası okunamadı.");
            for (qint64 written = 0; written < step;) {
                const ssize_t n = ::write(out, buffer.data() + written, size_t(step - written));
                if (n > 0)
                    written += n;
                else if (n == 0)
                    return platform::turkishSystemError(ENOSPC);
                else if (errno != EINTR)
                    return platform::turkishSystemError(errno);
            }
            // The disk starts on each stretch at once, so the sync at the end has little left.
            ::sync_file_range(out, done, step, SYNC_FILE_RANGE_WRITE);
            return {};
        };
        *error = stepBeside(copyStep, goOn, done, size, &goingOn);
        ok = error->isEmpty();
        done += step;
        if (ok && (!goingOn || (goOn && !goOn(done, size)))) {
            goingOn = false;
            ok = false;
        }
    }
    if (out >= 0 && ::close(out) != 0 && ok) {
        *error = platform::turkishSystemError(errno);
        ok = false;
    }
    if (!goingOn)
        error->clear();
    return ok;
}

// SQLite's online backup, page by page: a write-ahead log holds committed pages the file lacks.
bool copyThroughSqlite(sqlite3* source, const QString& target,
                       const std::function<bool(qint64, qint64)>& goOn, QString* error) {
    Handle dest(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!dest.ok()) {
        *error = dest.error();
        return false;
    }
    // A new file nobody else sees: no journal is needed, and the caller syncs it once.
    sqlite3_exec(dest.get(), "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    sqlite3_backup* b = sqlite3_backup_init(dest.get(), "main", source, "main");
    if (!b) {
        *error = dest.error();
        return false;
    }
    int rc;
    bool goingOn = true;
    while ((rc = stepBeside([b] { return sqlite3_backup_step(b, kPagesPerStep); }, goOn,
                            sqlite3_backup_pagecount(b) - sqlite3_backup_remaining(b),
                            sqlite3_backup_pagecount(b), &goingOn)) == SQLITE_OK ||
           rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
        const int total = sqlite3_backup_pagecount(b);
        if (!goingOn || (goOn && !goOn(total - sqlite3_backup_remaining(b), total))) {
            sqlite3_backup_finish(b);
            error->clear();
            return false;
        }
        if (rc != SQLITE_OK)
            sqlite3_sleep(20);
    }
    sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE) {
        *error = QString::fromUtf8(sqlite3_errstr(rc));
        return false;
    }
    if (sqlite3_errcode(dest.get()) != SQLITE_OK) {
        *error = dest.error();
        return false;
    }
    return true;
}

} // namespace

bool backupDatabase(Database& source, const QString& target, const std::function<bool(qint64, qint64)>& goOn,
                    QString* error, std::unique_ptr<IntegrityCheck>* check) {
    error->clear();
    bool made;
    if (fileStaysStillWhileReading(source.handle())) {
        made = beginRead(source.handle(), error) && copyWhileReading(source.handle(), target, goOn, error);
        sqlite3_exec(source.handle(), "COMMIT", nullptr, nullptr, nullptr);
    } else {
        made = copyThroughSqlite(source.handle(), target, goOn, error);
    }
    // The copy is checked as the restore will check it, beside the copies still to come.
    if (made && check)
        *check = std::make_unique<IntegrityCheck>(target, Check::Full);
    if (!made) {
        QFile::remove(target);
        for (const QString& f : companionFiles(target))
            QFile::remove(f);
    }
    return made;
}

namespace {

using ProgressCallback = std::function<bool(qint64, qint64)>;

// SQLite's busy handler while another connection writes: up to 5 s in steps of 20 ms, as long as
// the copy's caller wants to go on.
int waitForWriter(void* goOn, int tries) {
    const auto& wanted = *static_cast<const ProgressCallback*>(goOn);
    if (tries >= 250 || (wanted && !wanted(0, 0)))
        return 0;
    sqlite3_sleep(20);
    return 1;
}

} // namespace

bool copyAtOneMoment(const QStringList& paths, const QStringList& targets,
                     const std::function<bool(qint64, qint64)>& goOn, QString* error,
                     const std::function<void()>& atTheMoment) {
    error->clear();
    std::vector<std::unique_ptr<Handle>> dbs;
    std::vector<bool> still;
    bool ok = true;
    for (const QString& path : paths) {
        // Read and write: a journal left by a writer that died must be rolled back first.
        dbs.push_back(std::make_unique<Handle>(path, SQLITE_OPEN_READWRITE));
        if (!dbs.back()->ok()) {
            *error = QStringLiteral("%1: %2").arg(path, dbs.back()->error());
            return false;
        }
        // A writer finishes its commit first; the copy waits for it, but no longer than the
        // user does.
        sqlite3_busy_handler(dbs.back()->get(), waitForWriter, const_cast<ProgressCallback*>(&goOn));
        still.push_back(fileStaysStillWhileReading(dbs.back()->get()));
    }
    // Every file's read transaction is open before the first byte is copied: one moment for all.
    size_t begun = 0, at = 0;
    for (; ok && begun < dbs.size(); ++begun)
        ok = beginRead(dbs[at = begun]->get(), error);
    if (!ok)
        --begun;
    else if (atTheMoment)
        atTheMoment();
    for (size_t i = 0; ok && i < dbs.size(); ++i)
        ok = still[at = i] ? copyWhileReading(dbs[i]->get(), targets[i], goOn, error)
                           : copyThroughSqlite(dbs[i]->get(), targets[i], goOn, error);
    for (size_t i = 0; i < begun; ++i)
        sqlite3_exec(dbs[i]->get(), "COMMIT", nullptr, nullptr, nullptr);
    // A wait for a writer given up on the caller's word is a stop, not a failure; a failure
    // names the file it met.
    if (!ok && goOn && !goOn(0, 0))
        error->clear();
    else if (!ok && !error->isEmpty())
        *error = QStringLiteral("%1: %2").arg(paths[int(at)], *error);
    if (!ok)
        for (const QString& target : targets) {
            QFile::remove(target);
            for (const QString& f : companionFiles(target))
                QFile::remove(f);
        }
    return ok;
}

std::future<bool> syncFiles(const QStringList& paths) {
    return std::async(std::launch::async, [paths] {
        bool all = true;
        for (const QString& path : paths) {
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
            all = fd >= 0 && ::fsync(fd) == 0 && all;
            if (fd >= 0)
                ::close(fd);
        }
        return all;
    });
}

} // namespace engine
