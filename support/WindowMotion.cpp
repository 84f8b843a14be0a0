#include "WindowMotion.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace motion {

namespace {

class BackgroundDrag : public QObject {
public:
    explicit BackgroundDrag(QWidget* window)
        : QObject(window)
        , window_(window) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched != window_)
            return false;
        switch (e->type()) {
        case QEvent::MouseButtonPress: {
            auto* m = static_cast<QMouseEvent*>(e);
            if (m->button() != Qt::LeftButton)
                return false;
            window_->setCursor(Qt::SizeAllCursor);
            QWindow* handle = window_->windowHandle();
            if (handle && handle->startSystemMove()) {
                window_->unsetCursor();
                return true;
            }
            // No window manager to do it: the window follows the pointer until the release.
            grab_ = m->globalPosition().toPoint() - window_->frameGeometry().topLeft();
            dragging_ = true;
            return true;
        }
        case QEvent::MouseMove:
            if (!dragging_)
                return false;
            window_->move(static_cast<QMouseEvent*>(e)->globalPosition().toPoint() - grab_);
            return true;
        case QEvent::MouseButtonRelease:
            if (!dragging_)
                return false;
            dragging_ = false;
            window_->unsetCursor();
            return true;
        default:
            return false;
        }
    }

private:
    QWidget* window_;
    QPoint grab_;
    bool dragging_ = false;
};

bool isInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        return true;
    default:
        return false;
    }
}

class FadeOnClose : public QObject {
public:
    FadeOnClose(QWidget* window, int ms, std::function<void()> closing)
        : QObject(window)
        , window_(window)
        , ms_(ms)
        , closing_(std::move(closing)) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* e) override {
        // A closing window takes no more input: a second click or key in the fade would act on
        // a window whose closing steps have already run.
        if (started_ && !faded_ && isInput(e->type())) {
            auto* target = qobject_cast<QWidget*>(watched);
            if (target && target->window() == window_)
                return true;
        }
        if (watched != window_ || e->type() != QEvent::Close || faded_)
            return false;
        e->ignore();
        if (started_)
            return true;
        started_ = true;
        qApp->installEventFilter(this);
        closing_();
        auto* fade = new QPropertyAnimation(window_, "windowOpacity", window_);
        fade->setDuration(ms_);
        fade->setStartValue(window_->windowOpacity());
        fade->setEndValue(0.0);
        connect(fade, &QPropertyAnimation::finished, this, [this] {
            faded_ = true;
            qApp->removeEventFilter(this);
            window_->hide();
            window_->close();
        });
        fade->start(QAbstractAnimation::DeleteWhenStopped);
        return true;
    }

private:
    QWidget* window_;
    int ms_;
    std::function<void()> closing_;
    bool started_ = false;
    bool faded_ = false;
};

} // namespace

void dragByBackground(QWidget* window) {
    new BackgroundDrag(window);
}

void fadeOutOnClose(QWidget* window, int ms, std::function<void()> closing) {
    new FadeOnClose(window, ms, std::move(closing));
}

void centreOver(QWidget* window, const QWidget* owner) {
    if (!owner)
        return;
    const QRect ownerFrame = owner->frameGeometry();
    const QRect ownerClient = owner->geometry();
    // Not shown yet, the window has no frame: it will get one like its owner's.
    const QMargins frame(ownerClient.left() - ownerFrame.left(), ownerClient.top() - ownerFrame.top(),
                         ownerFrame.right() - ownerClient.right(),
                         ownerFrame.bottom() - ownerClient.bottom());
    QRect placed(QPoint(), window->size().grownBy(frame));
    placed.moveCenter(ownerFrame.center());
    if (const QScreen* screen = owner->screen()) {
        const QRect room = screen->availableGeometry();
        placed.moveLeft(std::max(room.left(), std::min(placed.left(), room.right() - placed.width() + 1)));
        placed.moveTop(std::max(room.top(), std::min(placed.top(), room.bottom() - placed.height() + 1)));
    }
    window->move(placed.topLeft());
}

} // namespace motion
