#pragma once

#include "Dialogs.h"

#include <QElapsedTimer>
#include <QPointer>

class QProgressDialog;

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
    QPointer<QProgressDialog> dialog_;
    QElapsedTimer sinceEvents_;
};

} // namespace ui
