#include "RegularFile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool isRegularFile(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

FileRead readRegularFile(const QString& path, qint64 maxBytes) {
    FileRead out;
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        out.status = errno == ENOENT || errno == ENOTDIR ? FileRead::Missing : FileRead::Failed;
        out.error = errno;
        return out;
    }
    if (!S_ISREG(st.st_mode)) {
        out.status = FileRead::NotRegular;
        return out;
    }
    // Non-blocking: the path may have been swapped for a FIFO between the check and the open.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        out.status = errno == ENOENT ? FileRead::Missing : FileRead::Failed;
        out.error = errno;
        return out;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        out.status = FileRead::NotRegular;
        ::close(fd);
        return out;
    }
    const qint64 want = std::max<qint64>(0, std::min<qint64>(maxBytes, st.st_size));
    out.data.resize(want);
    qint64 got = 0;
    while (got < want) {
        const ssize_t n = ::read(fd, out.data.data() + got, static_cast<size_t>(want - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            out.status = FileRead::Failed;
            out.error = errno;
            out.data.clear();
            ::close(fd);
            return out;
        }
        if (n == 0)
            break;
        got += n;
    }
    out.data.truncate(got);
    // A file that grew or holds more than asked for: one more byte tells.
    char extra;
    out.truncated = got == maxBytes && ::read(fd, &extra, 1) == 1;
    ::close(fd);
    out.status = FileRead::Ok;
    return out;
}

bool syncPath(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace platform
