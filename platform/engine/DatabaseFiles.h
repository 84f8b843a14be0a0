#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <vector>

// Work on whole database files: checking, recovering and copying them.
namespace engine {

class Database;
class Handle;

enum class Check { Full, Quick };

// SQLite's check of one file, on a thread of its own from construction until it ends; it reads
// the file as it is at construction. The full check also compares every index with its table;
// the quick one checks every page in a tenth of the time. Destruction waits for the end.
class IntegrityCheck {
public:
    IntegrityCheck(const QString& path, Check depth);
    ~IntegrityCheck();
    IntegrityCheck(const IntegrityCheck&) = delete;
    IntegrityCheck& operator=(const IntegrityCheck&) = delete;
    bool done() const;
    void stop();
    // Empty when the file is sound, else what SQLite found; waits for the end.
    QString problem();

private:
    std::unique_ptr<Handle> db_; // declared before the future, so it closes after the check ends
    std::future<QString> result_;
    std::optional<QString> problem_;
};

// One entry per check, as problem() gives it. `goOn` is called now and then while they run; when
// it returns false the checks stop and every entry is empty with `stopped` set.
QStringList finishChecks(const std::vector<std::unique_ptr<IntegrityCheck>>& checks,
                         const std::function<bool()>& goOn, bool* stopped);
// The files checked at the same time, one entry per file.
QStringList integrityProblems(const QStringList& paths, Check depth, const std::function<bool()>& goOn = {},
                              bool* stopped = nullptr);
QString integrityProblem(const QString& path, Check depth = Check::Full);

// Opens the file once on its own, so that a journal left by a writer that died is rolled back
// into the file it belongs to.
void recoverJournal(const QString& path);
// The journal, write-ahead log and shared-memory files that SQLite keeps beside a database.
QStringList companionFiles(const QString& path);

// A copy of the open database into a new file at `target`, as it was at one moment while other
// connections may write: the file's bytes under a read transaction where the database keeps a
// rollback journal, SQLite's online backup where it keeps a write-ahead log. `goOn` hears the
// part done and the total between steps and stops the copy by returning false. On false the
// partial file is removed and `error` says why (empty when stopped). The copy is not on disk
// yet: syncFiles() puts it there. With `check`, a quick check of exactly what was copied is left
// there, running: of the source under the copy's own read transaction, or of the finished copy.
bool backupDatabase(Database& source, const QString& target, const std::function<bool(qint64, qint64)>& goOn,
                    QString* error, std::unique_ptr<IntegrityCheck>* check = nullptr);

// Copies of several files, opened on connections of their own, all as they were at one moment
// (every read transaction is open before the first copy starts; `atTheMoment` is called then);
// otherwise as backupDatabase().
bool copyAtOneMoment(const QStringList& paths, const QStringList& targets,
                     const std::function<bool(qint64, qint64)>& goOn, QString* error,
                     const std::function<void()>& atTheMoment = {});

// Writes the files through to the disk, on a thread of its own; the result says whether all went.
std::future<bool> syncFiles(const QStringList& paths);

} // namespace engine
