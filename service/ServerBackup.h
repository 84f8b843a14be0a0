#pragma once

#include <QString>
#include <functional>

namespace engine {
class Database;
}

// A backup of records kept on a server is the same pair of files a single desk backs up: any
// desk, with or without a server, can open or restore it.
namespace serverbackup {

// Writes both schemas of the server, as they stood at one moment, into new database files at
// `servisCopy` and `stokCopy`, laid out as the program's own files. `goOn` hears the rows done and
// the total and stops the copy by returning false. On false the files are removed and `error`
// says why (empty when stopped). The files are not on disk yet: engine::syncFiles puts them there.
// `mark`, when given, receives what writtenSince() later compares with.
bool snapshot(const QString& conninfo, const QString& servisCopy, const QString& stokCopy,
              const std::function<bool(qint64, qint64)>& goOn, QString* error, QString* mark = nullptr);

// Whether the server may hold a write that the snapshot which gave `mark` did not: true for a
// mark of another server or of files, and when the server cannot be asked.
bool writtenSince(const QString& conninfo, const QString& mark);

// How many other desks are connected to the server `servis` is on.
int otherDesks(engine::Database& servis);

} // namespace serverbackup
