#pragma once

#include <QString>
#include <optional>

// A folder whose files are reached only inside it, whatever links a log or another program has
// planted in it. Paths are followed on the real folders, one component at a time: every folder on
// the way must lie inside once its links are resolved, and the last component is never followed, so
// a link there is itself removed, never its target. Removing walks the folders again without
// following any link, so a folder swapped for a link between the check and the removal is refused.
class ConfinedFolder {
public:
    explicit ConfinedFolder(const QString& path);
    ~ConfinedFolder();
    ConfinedFolder(const ConfinedFolder&) = delete;
    ConfinedFolder& operator=(const ConfinedFolder&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // The folder's real path, links resolved.
    const QString& realPath() const { return real_; }

    // Where `relative` really lies: a path relative to the folder with no links in its folders and
    // no "." or "..", or nothing when it lies outside or is the folder itself.
    std::optional<QString> resolve(const QString& relative) const;

    enum class Result { Removed, Gone, Refused, Failed };
    // Removes the file or link at a resolved path. A folder is refused.
    Result removeFile(const QString& resolved) const;
    // Removes the folder at a resolved path when it is empty.
    Result removeEmptyFolder(const QString& resolved) const;

private:
    Result remove(const QString& resolved, bool folder) const;

    int fd_ = -1;
    QString real_;
};
