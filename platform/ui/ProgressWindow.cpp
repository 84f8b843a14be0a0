#include "ProgressWindow.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace ui {

namespace {
constexpr int kSteps = 1000;       // the bar's resolution; byte counts do not fit its int range
constexpr int kShowAfterMs = 500;  // quicker work shows no window
constexpr int kEventsEveryMs = 30; // keeps repaints and the cancel button prompt
} // namespace

ProgressWindow::ProgressWindow(QWidget* parent, const QString& title)
    : dialog_(new QProgressDialog(parent)) {
    dialog_->setObjectName(QStringLiteral("Progress"));
    dialog_->setWindowTitle(title);
    dialog_->setCancelButtonText(QStringLiteral("Vazgeç"));
    dialog_->setRange(0, kSteps);
    dialog_->setMinimumDuration(kShowAfterMs);
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumWidth(420);
    dialog_->setValue(0);
    sinceEvents_.start();
}

ProgressWindow::~ProgressWindow() {
    delete dialog_.data();
}

void ProgressWindow::setText(const QString& text) {
    if (dialog_)
        dialog_->setLabelText(text);
}

void ProgressWindow::setProgress(qint64 done, qint64 total) {
    if (!dialog_)
        return;
    const int step = total > 0 ? static_cast<int>(done * kSteps / total) : kSteps;
    if (step != dialog_->value())
        dialog_->setValue(std::min(step, kSteps - 1)); // the full bar waits for the end
}

bool ProgressWindow::cancelled() {
    if (sinceEvents_.elapsed() >= kEventsEveryMs) {
        QCoreApplication::processEvents();
        sinceEvents_.restart();
    }
    return !dialog_ || dialog_->wasCanceled();
}

} // namespace ui
