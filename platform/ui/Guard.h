#pragma once

#include <exception>

class QWidget;

namespace ui {

// Tells the user in Turkish that the work a handler started could not be done, and why.
void reportFailure(QWidget* parent, const std::exception& e);

// Runs the work of one event handler so that nothing it throws leaves the handler: an exception
// passing through Qt's signal or event delivery is undefined behaviour.
template <typename Work> void guarded(QWidget* parent, Work&& work) noexcept {
    try {
        work();
    } catch (const std::exception& e) {
        reportFailure(parent, e);
    } catch (...) {
        reportFailure(parent, std::exception());
    }
}

// A slot for connect() that runs a window's member handler guarded.
template <typename Window, typename... Args> auto handler(Window* window, void (Window::*method)(Args...)) {
    return [window, method](Args... args) { guarded(window, [&] { (window->*method)(args...); }); };
}

} // namespace ui
