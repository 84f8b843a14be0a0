#pragma once

#include <functional>

class QWidget;

// What the stock windows do with their whole window: drag it by its background, and fade it
// out as it closes.
namespace motion {

// Pressing the left button on the window's own background moves the window with the mouse: by
// the window manager where it offers a system move, otherwise by following the pointer.
void dragByBackground(QWidget* window);

// Every way of closing the window first calls `closing`, then fades the window out over `ms`
// milliseconds, and only then lets the close go through. The fading window takes no input.
void fadeOutOnClose(QWidget* window, int ms, std::function<void()> closing);

// Places a window not yet shown with its middle over the middle of its owner, kept on the
// owner's screen.
void centreOver(QWidget* window, const QWidget* owner);

} // namespace motion
