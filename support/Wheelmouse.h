#pragma once

#include <QPoint>
#include <functional>

class QWidget;

// Wheel turns over a window, delivered to one handler of the window with the key state, the
// signed turn and the pointer's screen position. The handler answers whether it used the turn;
// a turn it did not use goes on to the control under the pointer as usual.
namespace wheel {

using Handler = std::function<bool(int mouseKeys, int rotation, int x, int y)>;

// True when the screen point lies in the widget's screen rectangle, all four edges included.
bool IsOverWindow(const QWidget* widget, const QPoint& screenPoint);

void WheelHook(QWidget* window, Handler handler);
// Stops the delivery; a window that was never hooked is left as it is.
void WheelUnhook(QWidget* window);

} // namespace wheel
