#pragma once

#include <functional>

class QWidget;

// What the stock windows do with their whole window: drag it by its background, and fade it
// out as it closes.
namespace motion {

// Pressing the left button on the window's own background moves the window with the mouse: by
// the window manager where it offers a system move, otherwise by following the pointer.
void dragByBackground(QWidget* window);

// Fades the window out over `ms` milliseconds, hides it, then calls `done`.
void fadeOut(QWidget* window, int ms, std::function<void()> done);

} // namespace motion
