#include "ConversionProgress.h"

#include "ui/Dialogs.h"

#include <QCoreApplication>

ConversionProgress::ConversionProgress(QWidget* parent)
    : window_(parent) {
    window_.setObjectName(QStringLiteral("JetProgress"));
    window_.setWindowTitle(ui::kProgramTitle);
    window_.setCancelButtonText(QStringLiteral("Vazgeç"));
    window_.setWindowModality(Qt::ApplicationModal);
    window_.setMinimumDuration(0);
    window_.setAutoClose(false);
    window_.setAutoReset(false);
    window_.setMinimumWidth(420);
    window_.show();
    clock_.start();
}

bool ConversionProgress::step(const QString& file, const QString& table, qint64 done, qint64 total) {
    const QString where = file + u'/' + table;
    if (where != where_ || done == total || clock_.elapsed() >= 50) {
        where_ = where;
        window_.setMaximum(static_cast<int>(std::max<qint64>(total, 1)));
        window_.setValue(static_cast<int>(std::min(done, total)));
        window_.setLabelText(
            QStringLiteral("%1: %2 tablosu\n%3 / %4 kayıt").arg(file, table).arg(done).arg(total));
        QCoreApplication::processEvents();
        clock_.restart();
    }
    return !window_.wasCanceled();
}
