#pragma once

#include "TopLevelWindows.h"

struct _XDisplay;

namespace x11 {

// The windows of the display named by DISPLAY, through Xlib. Windows may vanish at any moment
// between two calls; the errors that causes are ignored and such a window is passed over.
class XlibTopLevelWindows : public TopLevelWindows {
public:
    XlibTopLevelWindows();
    ~XlibTopLevelWindows() override;
    XlibTopLevelWindows(const XlibTopLevelWindows&) = delete;
    XlibTopLevelWindows& operator=(const XlibTopLevelWindows&) = delete;

    bool connected() const { return display_ != nullptr; }
    QList<TopLevelWindow> list() override;
    void requestClose(quint64 id) override;

private:
    _XDisplay* display_ = nullptr;
};

} // namespace x11
