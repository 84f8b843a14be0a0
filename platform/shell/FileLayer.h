#pragma once

#include <QString>
#include <memory>

namespace shell {

// A destination file being written. It takes the target's name only on commit, complete and
// on disk; dropped without commit, it leaves the target as it was.
class TargetFile {
public:
    virtual ~TargetFile() = default;
    virtual bool write(const char* data, qint64 size) = 0;
    virtual bool commit() = 0;
    virtual QString errorString() const = 0;
};

// Where file jobs write; tests put in one that fails on purpose.
class FileLayer {
public:
    virtual ~FileLayer() = default;
    // nullptr with `error` set when the file cannot be started.
    virtual std::unique_ptr<TargetFile> create(const QString& path, QString* error) = 0;
};

FileLayer& fileLayer();
// nullptr puts the real one back.
void setFileLayer(FileLayer* replacement);

} // namespace shell
