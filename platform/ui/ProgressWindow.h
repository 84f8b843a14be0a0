#pragma once

#include "Dialogs.h"

#include <QElapsedTimer>
#include <QPointer>

class QProgressDialog;
class QTimer;

namespace ui {

// The Qt progress window: a title, a line of text, a bar and "Vazgeç". It stays hidden for the
// first moment, so quick work shows nothing.
class ProgressWindow : public Progress {
public:
    ProgressWindow(QWidget* parent, const QString& title);
    ~ProgressWindow() override;

    void setText(const QString& text) override;
    void setProgress(qint64 done, qint64 total) override;
    bool cancelled() override;

private:
    friend class QuestionInFront;
    void stepAside();
    void comeBack();

    QPointer<QProgressDialog> dialog_;
    QTimer* showTimer_ = nullptr; // owned by the dialog
    QElapsedTimer sinceEvents_;
    bool wasVisible_ = false;
    int timeLeftMs_ = -1;
};

// While one lives, every progress window is out of sight and its delay before showing stands
// still: a question asked meanwhile stays in front with the focus however long the user takes.
class QuestionInFront {
public:
    QuestionInFront();
    ~QuestionInFront();
    QuestionInFront(const QuestionInFront&) = delete;
    QuestionInFront& operator=(const QuestionInFront&) = delete;
};

} // namespace ui
