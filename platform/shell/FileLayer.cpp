#include "FileLayer.h"

#include <QFileInfo>
#include <QSaveFile>
#include <fcntl.h>
#include <unistd.h>

namespace shell {

namespace {

// QSaveFile writes beside the target and renames it over the target on commit.
class SavedTarget : public TargetFile {
public:
    explicit SavedTarget(const QString& path)
        : file_(path) {
        file_.setDirectWriteFallback(false);
    }
    bool open() { return file_.open(QIODevice::WriteOnly); }

    bool write(const char* data, qint64 size) override {
        if (file_.write(data, size) != size)
            return false;
        written_ += size;
        // Hands each stretch to the disk as the copy goes and waits for the one before, so the
        // copy keeps pace with the disk and the sync at the end has little left to wait for.
        if (written_ - started_ >= kWriteBehind && file_.flush()) {
            const int fd = file_.handle();
            ::sync_file_range(fd, started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
            if (started_ > previous_)
                ::sync_file_range(fd, previous_, started_ - previous_,
                                  SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                      SYNC_FILE_RANGE_WAIT_AFTER);
            previous_ = started_;
            started_ = written_;
        }
        return true;
    }

    bool commit() override {
        if (!file_.flush() || ::fsync(file_.handle()) != 0)
            return false;
        if (!file_.commit())
            return false;
        // The rename itself must reach the disk too.
        const int dir = ::open(QFile::encodeName(QFileInfo(file_.fileName()).absolutePath()).constData(),
                               O_RDONLY | O_DIRECTORY);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
        return true;
    }

    QString errorString() const override { return file_.errorString(); }

private:
    static constexpr qint64 kWriteBehind = 4 << 20;
    QSaveFile file_;
    qint64 written_ = 0;
    qint64 started_ = 0;
    qint64 previous_ = 0;
};

class DiskLayer : public FileLayer {
public:
    std::unique_ptr<TargetFile> create(const QString& path, QString* error) override {
        auto target = std::make_unique<SavedTarget>(path);
        if (!target->open()) {
            *error = target->errorString();
            return nullptr;
        }
        return target;
    }
};

FileLayer*& currentLayer() {
    static DiskLayer disk;
    static FileLayer* layer = &disk;
    return layer;
}

} // namespace

FileLayer& fileLayer() {
    return *currentLayer();
}

void setFileLayer(FileLayer* replacement) {
    static FileLayer* const disk = currentLayer();
    currentLayer() = replacement ? replacement : disk;
}

} // namespace shell
