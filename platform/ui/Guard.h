#pragma once

#include <QList>
#include <QPointer>
#include <exception>

class QWidget;

namespace ui {

// Tells the user in Turkish that the work a handler started could not be done, and why.
void reportFailure(QWidget* parent, const std::exception& e);

// The widgets that are switched on before a handler's work. A handler that switches a window off
// (while a window it opens is in front, say) and then fails would leave it off for good, with
// nothing left to switch it on again: after a failure, what the work switched off goes back on.
class SwitchedOn {
public:
    void take();
    void restore() const noexcept;

private:
    QList<QPointer<QWidget>> widgets_;
};

// Runs the work of one event handler so that nothing it throws leaves the handler: an exception
// passing through Qt's signal or event delivery is undefined behaviour.
template <typename Work> void guarded(QWidget* parent, Work&& work) noexcept {
    SwitchedOn before;
    try {
        before.take();
        work();
    } catch (const std::exception& e) {
        before.restore();
        reportFailure(parent, e);
    } catch (...) {
        before.restore();
        reportFailure(parent, std::exception());
    }
}

// A slot for connect() that runs a window's member handler guarded.
template <typename Window, typename... Args> auto handler(Window* window, void (Window::*method)(Args...)) {
    return [window, method](Args... args) { guarded(window, [&] { (window->*method)(args...); }); };
}

} // namespace ui
