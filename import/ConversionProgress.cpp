#include "ConversionProgress.h"

ConversionProgress::ConversionProgress(QWidget* parent)
    : window_(ui::dialogs().progress(parent, ui::kProgramTitle)) {}

bool ConversionProgress::step(const QString& file, const QString& table, qint64 done, qint64 total) {
    if (table.isEmpty()) // the file's list of tables is being read
        return window_->update(QStringLiteral("%1 okunuyor…").arg(file), 0, 1);
    return window_->update(
        QStringLiteral("%1: %2 tablosu\n%3 / %4 kayıt").arg(file, table).arg(done).arg(total), done, total);
}
