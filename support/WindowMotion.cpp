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
        if (watched != window_ || e->type() != QEvent::Close || faded_)
            return false;
        e->ignore();
        if (started_)
            return true;
        started_ = true;
        closing_();
        auto* fade = new QPropertyAnimation(window_, "windowOpacity", window_);
        fade->setDuration(ms_);
        fade->setStartValue(window_->windowOpacity());
        fade->setEndValue(0.0);
        connect(fade, &QPropertyAnimation::finished, this, [this] {
            faded_ = true;
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

} // namespace motion
