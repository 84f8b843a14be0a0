#include "ConversionProgress.h"

ConversionProgress::ConversionProgress(QWidget* parent)
    : window_(ui::dialogs().progress(parent, ui::kProgramTitle)) {}

bool ConversionProgress::step(const QString& file, const QString& table, qint64 done, qint64 total) {
    return window_->update(
        QStringLiteral("%1: %2 tablosu\n%3 / %4 kayıt").arg(file, table).arg(done).arg(total), done, total);
}
