#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Work on whole database files: checking, recovering and copying them.
namespace engine {

class Database;

// One entry per file, empty when SQLite's check finds it sound, else what it found; the files
// are checked at the same time. The full check also compares every index with its table; the
// quick one checks every page in a tenth of the time. A long check calls `goOn` now and then;
// when it returns false the checks stop and every entry is empty with `stopped` set.
enum class Check { Full, Quick };
QStringList integrityProblems(const QStringList& paths, Check depth, const std::function<bool()>& goOn = {},
                              bool* stopped = nullptr);
QString integrityProblem(const QString& path, Check depth = Check::Full);

// Opens the file once on its own, so that a journal left by a writer that died is rolled back
// into the file it belongs to.
void recoverJournal(const QString& path);
// The journal, write-ahead log and shared-memory files that SQLite keeps beside a database.
QStringList companionFiles(const QString& path);

// A consistent copy of the open database into a new file at `target`, made with SQLite's online
// backup while other connections may write. `goOn` hears the pages done and the total between
// steps and stops the copy by returning false. The finished file is on disk when this returns
// true; on false the partial file is removed and `error` says why (empty when stopped).
bool backupDatabase(Database& source, const QString& target, const std::function<bool(qint64, qint64)>& goOn,
                    QString* error);

} // namespace engine
