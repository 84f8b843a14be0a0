#pragma once

#include <QStringList>

class QTextStream;

namespace engine {
class ServerLoad;
}

// The work of kts-server: the PostgreSQL server a workshop's desks share, set up empty, filled
// from the two files of a program directory, or checked. Each routine says in Turkish what it did
// on `out`, progress and failures on `err`, and returns the exit code of the command.
namespace serversetup {

enum Exit : int {
    Done = 0,
    Failed = 1,      // refused, or failed; nothing was left half done
    Unreachable = 2, // the server could not be reached
    NotReady = 3,    // check: a schema is missing or of another version
};

int init(const QString& conninfo, QTextStream& out, QTextStream& err);
int move(const QString& conninfo, const QString& directory, QTextStream& out, QTextStream& err);
int check(const QString& conninfo, QTextStream& out, QTextStream& err);

// Puts the pair of files in `directory` (a backup) in place of both schemas, inside the
// transaction of `load`, which the caller commits: the same checks and copy as a move. Throws
// engine::DbError with a Turkish sentence when a value cannot go over or a count differs.
qint64 replaceWithPair(engine::ServerLoad& load, const QString& directory, QTextStream& out,
                       QTextStream& err);

// The command line, without the program's name.
int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace serversetup
