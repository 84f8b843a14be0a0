#include "Wheelmouse.h"

#include <QApplication>
#include <QPointer>
#include <QWheelEvent>
#include <QWidget>

namespace wheel {

namespace {

const char* const kProperty = "PrevWndProc";

// Sees every wheel event of the program and hands those over the window to its handler.
class WheelFilter : public QObject {
public:
    WheelFilter(QWidget* window, Handler handler)
        : QObject(window)
        , window_(window)
        , handler_(std::move(handler)) {
        qApp->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::Wheel || !watched->isWidgetType())
            return false;
        auto* target = static_cast<QWidget*>(watched);
        if (target->window() != window_)
            return false;
        auto* w = static_cast<QWheelEvent*>(e);
        const QPoint at = w->globalPosition().toPoint();
        const int rotation = w->angleDelta().y();
        return handler_(static_cast<int>(w->buttons()), rotation, at.x(), at.y());
    }

private:
    QPointer<QWidget> window_;
    Handler handler_;
};

} // namespace

bool IsOverWindow(const QWidget* widget, const QPoint& screenPoint) {
    const QPoint topLeft = widget->mapToGlobal(QPoint(0, 0));
    // The old rectangle's right and bottom lie one past the last pixel, and both count.
    const QRect r(topLeft, widget->size());
    return screenPoint.x() >= r.left() && screenPoint.x() <= r.left() + r.width() &&
           screenPoint.y() >= r.top() && screenPoint.y() <= r.top() + r.height();
}

void WheelHook(QWidget* window, Handler handler) {
    WheelUnhook(window);
    auto* filter = new WheelFilter(window, std::move(handler));
    window->setProperty(kProperty, QVariant::fromValue(static_cast<QObject*>(filter)));
}

void WheelUnhook(QWidget* window) {
    const QVariant saved = window->property(kProperty);
    if (!saved.isValid())
        return;
    delete saved.value<QObject*>();
    window->setProperty(kProperty, QVariant());
}

} // namespace wheel
