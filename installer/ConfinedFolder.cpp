#include "ConfinedFolder.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::optional<QString> realPathOf(const QString& path) {
    char buffer[PATH_MAX];
    if (!::realpath(QFile::encodeName(path).constData(), buffer))
        return std::nullopt;
    return QFile::decodeName(buffer);
}

// The descriptor of a folder closes with it.
class Fd {
public:
    explicit Fd(int fd)
        : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

ConfinedFolder::ConfinedFolder(const QString& path) {
    const std::optional<QString> real = realPathOf(path);
    if (!real)
        return;
    real_ = *real;
    fd_ = ::open(QFile::encodeName(real_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

ConfinedFolder::~ConfinedFolder() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::optional<QString> ConfinedFolder::resolve(const QString& relative) const {
    if (!isOpen() || relative.isEmpty() || QDir::isAbsolutePath(relative))
        return std::nullopt;
    // The text as written, not cleaned: "link/.." is the folder above the link's target.
    const qsizetype slash = relative.lastIndexOf(u'/');
    const QString name = relative.mid(slash + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return std::nullopt;
    QString parent = real_;
    if (slash >= 0) {
        const std::optional<QString> real = realPathOf(real_ + u'/' + relative.left(slash));
        if (!real)
            return std::nullopt;
        parent = *real;
    }
    if (parent == real_)
        return name;
    const QString root = real_.endsWith(u'/') ? real_ : real_ + u'/';
    if (!parent.startsWith(root))
        return std::nullopt;
    return parent.mid(root.size()) + u'/' + name;
}

ConfinedFolder::Result ConfinedFolder::removeFile(const QString& resolved) const {
    return remove(resolved, false);
}

ConfinedFolder::Result ConfinedFolder::removeEmptyFolder(const QString& resolved) const {
    return remove(resolved, true);
}

ConfinedFolder::Result ConfinedFolder::remove(const QString& resolved, bool folder) const {
    if (!isOpen())
        return Result::Failed;
    QStringList parts = resolved.split(u'/');
    const QByteArray name = QFile::encodeName(parts.takeLast());
    int at = fd_;
    std::optional<Fd> walked;
    for (const QString& part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return Result::Refused;
        const int next = ::openat(at, QFile::encodeName(part).constData(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0)
            return errno == ENOENT ? Result::Gone : Result::Refused;
        walked.emplace(next);
        at = next;
    }
    struct stat st {};
    if (::fstatat(at, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? Result::Gone : Result::Failed;
    if (S_ISDIR(st.st_mode) != folder)
        return Result::Refused;
    if (::unlinkat(at, name.constData(), folder ? AT_REMOVEDIR : 0) == 0)
        return Result::Removed;
    // A folder that still holds something stays, and that is no failure.
    if (folder && (errno == ENOTEMPTY || errno == EEXIST))
        return Result::Refused;
    return Result::Failed;
}
