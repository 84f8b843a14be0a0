#include "HoverBold.h"

#include "Sounds.h"

#include <QAbstractButton>
#include <QMouseEvent>

namespace {

void setBold(QAbstractButton* button, bool bold) {
    QFont font = button->font();
    font.setBold(bold);
    button->setFont(font);
}

} // namespace

HoverBold::HoverBold(const QList<QAbstractButton*>& buttons, QWidget* window, Mode mode)
    : QObject(window)
    , buttons_(buttons)
    , window_(window)
    , mode_(mode) {
    // Moves without a pressed mouse button arrive only with tracking on.
    for (QAbstractButton* button : buttons_) {
        button->setMouseTracking(true);
        button->installEventFilter(this);
    }
    if (mode_ == Mode::Clicking) {
        window_->setMouseTracking(true);
        window_->installEventFilter(this);
    }
}

bool HoverBold::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseMove)
        return false;
    if (watched == window_) {
        // A move over a button that the button leaves unhandled reaches the window as well.
        if (!isOverButton(static_cast<QMouseEvent*>(event)->position().toPoint()))
            setAllNormal();
    } else {
        enter(static_cast<QAbstractButton*>(watched));
    }
    return false;
}

void HoverBold::enter(QAbstractButton* button) {
    if (button->font().bold())
        return;
    if (mode_ == Mode::Clicking)
        playSound(QStringLiteral("Cmd.wav"));
    setAllNormal();
    setBold(button, true);
}

void HoverBold::setAllNormal() {
    for (QAbstractButton* button : buttons_)
        setBold(button, false);
}

bool HoverBold::isOverButton(const QPoint& windowPos) const {
    for (QWidget* w = window_->childAt(windowPos); w && w != window_; w = w->parentWidget()) {
        if (buttons_.contains(qobject_cast<QAbstractButton*>(w)))
            return true;
    }
    return false;
}
