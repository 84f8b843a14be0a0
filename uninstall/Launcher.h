#pragma once

#include <QString>
#include <functional>

class Waiter;
namespace x11 {
class TopLevelWindows;
}

// The whole run of the Uninstall program: close the running service desk, remove its shortcuts
// and its settings key, and hand over to the setup toolkit's uninstaller, which removes the
// program files. It shows no window of its own, except to say that the program would not close.
class Launcher {
public:
    // `warn` shows a Turkish message to the user and returns once it has been read.
    Launcher(x11::TopLevelWindows& windows, Waiter& waiter, std::function<void(const QString&)> warn);

    // The run, in order; false when the service desk would not close and nothing was removed, or
    // when the uninstaller could not be started.
    bool Form_Load();
    // Asks each window of the service desk to close, one at a time, until none is left. False
    // when windows are still there after kCloseLimitMs of requests: the caller then removes nothing.
    bool CloseRunningProgram();
    // Shortcuts, settings key, then the uninstaller; each step whatever the others did. False,
    // after telling the user, when the uninstaller could not be started.
    bool RemoveTraces();

    static constexpr int kPauseMs = 1000;
    static constexpr int kCloseLimitMs = 30000;

private:
    x11::TopLevelWindows& windows_;
    Waiter& waiter_;
    std::function<void(const QString&)> warn_;
};
