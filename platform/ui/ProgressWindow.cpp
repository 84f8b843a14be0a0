#include "ProgressWindow.h"

#include <QCoreApplication>
#include <QProgressDialog>
#include <QTimer>
#include <limits>

namespace ui {

namespace {
constexpr int kSteps = 1000;       // the bar's resolution; byte counts do not fit its int range
constexpr int kShowAfterMs = 500;  // quicker work shows no window
constexpr int kEventsEveryMs = 30; // keeps repaints and the cancel button prompt

QList<ProgressWindow*>& liveWindows() {
    static QList<ProgressWindow*> windows;
    return windows;
}
int questionsOpen = 0;
} // namespace

ProgressWindow::ProgressWindow(QWidget* parent, const QString& title)
    : dialog_(new QProgressDialog(parent)) {
    dialog_->setObjectName(QStringLiteral("Progress"));
    dialog_->setWindowTitle(title);
    dialog_->setCancelButtonText(QStringLiteral("Vazgeç"));
    dialog_->setRange(0, kSteps);
    // The window shows itself by a timer of its own, which a question must be able to stop.
    dialog_->setMinimumDuration(std::numeric_limits<int>::max());
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumWidth(420);
    dialog_->setValue(0);
    showTimer_ = new QTimer(dialog_);
    showTimer_->setSingleShot(true);
    QObject::connect(showTimer_, &QTimer::timeout, dialog_, &QWidget::show);
    if (questionsOpen > 0)
        timeLeftMs_ = kShowAfterMs;
    else
        showTimer_->start(kShowAfterMs);
    liveWindows() << this;
    sinceEvents_.start();
}

ProgressWindow::~ProgressWindow() {
    liveWindows().removeOne(this);
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

void ProgressWindow::stepAside() {
    if (!dialog_)
        return;
    wasVisible_ = dialog_->isVisible();
    timeLeftMs_ = showTimer_->isActive() ? showTimer_->remainingTime() : -1;
    showTimer_->stop();
    dialog_->hide();
}

void ProgressWindow::comeBack() {
    if (!dialog_)
        return;
    if (wasVisible_)
        dialog_->show();
    else if (timeLeftMs_ >= 0)
        showTimer_->start(timeLeftMs_);
    wasVisible_ = false;
    timeLeftMs_ = -1;
}

QuestionInFront::QuestionInFront() {
    if (questionsOpen++ == 0)
        for (ProgressWindow* w : std::as_const(liveWindows()))
            w->stepAside();
}

QuestionInFront::~QuestionInFront() {
    if (--questionsOpen == 0)
        for (ProgressWindow* w : std::as_const(liveWindows()))
            w->comeBack();
}

} // namespace ui
