#include "ProgressListener.h"

#include "FileJob.h"
#include "FileOpRecord.h"
#include "ui/Dialogs.h"

#include <QLocale>

namespace shell {

namespace {
QString verbFor(qint32 function) {
    switch (function) {
    case FO_MOVE:
        return QStringLiteral("Taşınıyor");
    case FO_DELETE:
        return QStringLiteral("Siliniyor");
    case FO_RENAME:
        return QStringLiteral("Yeniden adlandırılıyor");
    default:
        return QStringLiteral("Kopyalanıyor");
    }
}
} // namespace

ProgressListener::ProgressListener(FileJob& job, qint32 function, QWidget* parent, const QString& customTitle)
    : job_(job)
    , verb_(verbFor(function))
    , simple_(!customTitle.isEmpty())
    , window_(ui::dialogs().progress(parent, simple_ ? customTitle : verb_ + QStringLiteral("..."))) {
    connect(&job_, &FileJob::progress, this, &ProgressListener::update);
}

ProgressListener::~ProgressListener() = default;

void ProgressListener::update(const QString& file, qint64 done, qint64 total) {
    if (!simple_) {
        const QLocale tr(QLocale::Turkish, QLocale::Turkey);
        window_->setText(QStringLiteral("%1: %2\n%3 / %4")
                             .arg(verb_, file,
                                  tr.formattedDataSize(done, 1, QLocale::DataSizeTraditionalFormat),
                                  tr.formattedDataSize(total, 1, QLocale::DataSizeTraditionalFormat)));
    }
    window_->setProgress(done, total);
    if (window_->cancelled())
        job_.cancel();
}

} // namespace shell
