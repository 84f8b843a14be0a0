#pragma once

#include <QList>
#include <QString>

// The top-level windows of the display, as a person sees them: for a window that a window
// manager has framed, the program's own window inside the frame.
namespace x11 {

struct TopLevelWindow {
    quint64 id = 0;
    QString title;
    // The class part of WM_CLASS; empty when the window has none.
    QString windowClass;
    // File name of the executable of the process behind _NET_WM_PID; empty when unknown.
    QString program;
};

class TopLevelWindows {
public:
    virtual ~TopLevelWindows() = default;
    // Windows that are shown or minimised, topmost first. Empty without a display.
    virtual QList<TopLevelWindow> list() = 0;
    // Asks the window to close, as its close button would (WM_DELETE_WINDOW), without waiting.
    virtual void requestClose(quint64 id) = 0;
};

} // namespace x11
