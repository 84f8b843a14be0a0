#pragma once

#include <QObject>
#include <memory>

class QWidget;
namespace ui {
class Progress;
}

namespace shell {

class FileJob;

// Shows a job's progress in a progress window and cancels the job on "Vazgeç".
class ProgressListener : public QObject {
    Q_OBJECT

public:
    // With a custom title the window shows that title alone, without file names.
    ProgressListener(FileJob& job, qint32 function, QWidget* parent, const QString& customTitle);
    ~ProgressListener() override;

private:
    void update(const QString& file, qint64 done, qint64 total);

    FileJob& job_;
    QString verb_;
    bool simple_;
    std::unique_ptr<ui::Progress> window_;
};

} // namespace shell
