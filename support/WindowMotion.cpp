#include "WindowMotion.h"

#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QWidget>
#include <QWindow>

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

} // namespace

void dragByBackground(QWidget* window) {
    new BackgroundDrag(window);
}

void fadeOut(QWidget* window, int ms, std::function<void()> done) {
    auto* fade = new QPropertyAnimation(window, "windowOpacity", window);
    fade->setDuration(ms);
    fade->setStartValue(window->windowOpacity());
    fade->setEndValue(0.0);
    QObject::connect(fade, &QPropertyAnimation::finished, window, [window, done = std::move(done)] {
        window->hide();
        done();
    });
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace motion
