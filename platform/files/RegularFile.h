#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// The outcome of reading a small file that a crash, another program or a planted link may have
// put something else in place of: a FIFO or a device would block open() for ever, and a huge
// file would cost memory for nothing.
struct FileRead {
    enum Status { Ok, Missing, NotRegular, Failed };
    Status status = Missing;
    QByteArray data;        // at most the size asked for
    bool truncated = false; // the file holds more than was read
    int error = 0;          // errno of a failure
};

// Opens `path` only when it is a regular file (checked before opening, opened non-blocking, checked
// again on the open descriptor) and reads at most `maxBytes` of it.
FileRead readRegularFile(const QString& path, qint64 maxBytes);

// Whether `path` names a regular file now; links are followed.
bool isRegularFile(const QString& path);

// Flushes a file or a folder to the disk; a folder must be flushed for a rename in it to last.
bool syncPath(const QString& path);

} // namespace platform
