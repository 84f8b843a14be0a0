#include "DatabaseFiles.h"

#include "Database.h"

#include <QFile>
#include <sqlite3.h>

namespace engine {

namespace {

constexpr int kPagesPerStep = 4096;
constexpr int kOpsBetweenCalls = 200000; // some milliseconds of checking

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

QString integrityProblem(const QString& path, const std::function<bool()>& goOn, bool* stopped) {
    Handle db(path, SQLITE_OPEN_READONLY);
    if (!db.ok())
        return db.error();
    if (goOn)
        sqlite3_progress_handler(
            db.get(), kOpsBetweenCalls,
            [](void* f) { return (*static_cast<const std::function<bool()>*>(f))() ? 0 : 1; },
            const_cast<std::function<bool()>*>(&goOn));
    sqlite3_stmt* check = nullptr;
    if (sqlite3_prepare_v2(db.get(), "PRAGMA integrity_check(5)", -1, &check, nullptr) != SQLITE_OK)
        return db.error();
    QStringList found;
    int rc;
    while ((rc = sqlite3_step(check)) == SQLITE_ROW)
        found << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
    sqlite3_finalize(check);
    if (rc == SQLITE_INTERRUPT) {
        if (stopped)
            *stopped = true;
        return {};
    }
    if (rc != SQLITE_DONE)
        return db.error();
    if (found == QStringList{QStringLiteral("ok")})
        return {};
    return found.join(u'\n');
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
        // A new file nobody else sees: no journal is needed, only the final sync.
        sqlite3_exec(dest.get(), "PRAGMA journal_mode=OFF; PRAGMA synchronous=FULL", nullptr, nullptr,
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
    return ok;
}

} // namespace engine
