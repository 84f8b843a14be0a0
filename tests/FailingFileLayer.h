#pragma once

#include "shell/FileLayer.h"

#include <cerrno>
#include <cstring>
#include <functional>

// Writes through the real file layer until `limit` bytes have been written in all, then fails
// as a full disk would, with the system's own words for it.
class FailingFileLayer : public shell::FileLayer {
public:
    explicit FailingFileLayer(qint64 limit)
        : left_(limit) {
        real_ = &shell::fileLayer();
        shell::setFileLayer(this);
    }
    ~FailingFileLayer() override { shell::setFileLayer(nullptr); }

    std::function<void(const QString&)> onCreate; // looks around as each file is started

    std::unique_ptr<shell::TargetFile> create(const QString& path, QString* error) override {
        if (onCreate)
            onCreate(path);
        auto inner = real_->create(path, error);
        if (!inner)
            return nullptr;
        return std::make_unique<Target>(std::move(inner), left_);
    }

private:
    class Target : public shell::TargetFile {
    public:
        Target(std::unique_ptr<shell::TargetFile> inner, qint64& left)
            : inner_(std::move(inner))
            , left_(left) {}
        bool write(const char* data, qint64 size) override {
            if (size > left_) {
                inner_->write(data, left_);
                left_ = 0;
                return false;
            }
            left_ -= size;
            return inner_->write(data, size);
        }
        bool commit() override { return inner_->commit(); }
        QString errorString() const override { return QString::fromLocal8Bit(std::strerror(ENOSPC)); }

    private:
        std::unique_ptr<shell::TargetFile> inner_;
        qint64& left_;
    };

    shell::FileLayer* real_;
    qint64 left_;
};
