#include "XlibTopLevelWindows.h"

#include <QFileInfo>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <optional>

namespace x11 {

namespace {

// A window can be destroyed between being listed and being asked about (BadWindow): such
// errors are expected, and Xlib's default handler would end the program.
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

Atom atom(Display* d, const char* name) {
    return XInternAtom(d, name, False);
}

// The data of a property of the given type, or nothing when the window has none.
std::optional<QByteArray> property(Display* d, Window w, Atom name, Atom type, int* format = nullptr) {
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, name, 0, 1024, False, type, &actualType, &actualFormat, &items, &after,
                           &data) != Success ||
        actualType == None) {
        if (data)
            XFree(data);
        return std::nullopt;
    }
    const int bytesPerItem = actualFormat == 32 ? int(sizeof(long)) : actualFormat / 8;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(items) * bytesPerItem);
    XFree(data);
    if (actualType != type && type != AnyPropertyType)
        return std::nullopt;
    if (format)
        *format = actualFormat;
    return bytes;
}

bool hasWmState(Display* d, Window w) {
    return property(d, w, atom(d, "WM_STATE"), atom(d, "WM_STATE")).has_value();
}

bool isIconic(Display* d, Window w) {
    const auto state = property(d, w, atom(d, "WM_STATE"), atom(d, "WM_STATE"));
    return state && state->size() >= qsizetype(sizeof(long)) &&
           *reinterpret_cast<const long*>(state->constData()) == IconicState;
}

QList<Window> children(Display* d, Window w) {
    Window root = 0, parent = 0;
    Window* list = nullptr;
    unsigned int count = 0;
    QList<Window> out;
    if (XQueryTree(d, w, &root, &parent, &list, &count) && list) {
        out.reserve(count);
        for (unsigned int i = 0; i < count; ++i)
            out.append(list[i]);
        XFree(list);
    }
    return out;
}

// The program's window in a frame: the first window below it (breadth first, a few levels,
// as window managers nest frames) that the window manager marked with WM_STATE. A window
// without a window manager has no frame and is its own client.
Window clientOf(Display* d, Window top) {
    if (hasWmState(d, top))
        return top;
    QList<Window> level{top};
    for (int depth = 0; depth < 3 && !level.isEmpty(); ++depth) {
        QList<Window> next;
        for (const Window w : level) {
            for (const Window c : children(d, w)) {
                if (hasWmState(d, c))
                    return c;
                next.append(c);
            }
        }
        level = next;
    }
    return top;
}

QString title(Display* d, Window w) {
    if (const auto name = property(d, w, atom(d, "_NET_WM_NAME"), atom(d, "UTF8_STRING")))
        return QString::fromUtf8(*name);
    XTextProperty text{};
    if (!XGetWMName(d, w, &text) || !text.value)
        return QString();
    QString out;
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(d, &text, &list, &count) >= Success && list) {
        if (count > 0)
            out = QString::fromUtf8(list[0]);
        XFreeStringList(list);
    }
    XFree(text.value);
    return out;
}

QString windowClass(Display* d, Window w) {
    XClassHint hint{};
    if (!XGetClassHint(d, w, &hint))
        return QString();
    const QString out = QString::fromLocal8Bit(hint.res_class ? hint.res_class : "");
    if (hint.res_name)
        XFree(hint.res_name);
    if (hint.res_class)
        XFree(hint.res_class);
    return out;
}

QString programOf(Display* d, Window w) {
    const auto pid = property(d, w, atom(d, "_NET_WM_PID"), XA_CARDINAL);
    if (!pid || pid->size() < qsizetype(sizeof(long)))
        return QString();
    const long number = *reinterpret_cast<const long*>(pid->constData());
    QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(number)).symLinkTarget();
    // An executable replaced while it runs still names the process, with this mark.
    if (exe.endsWith(QLatin1String(" (deleted)")))
        exe.chop(10);
    return exe.isEmpty() ? QString() : QFileInfo(exe).fileName();
}

} // namespace

XlibTopLevelWindows::XlibTopLevelWindows()
    : display_(XOpenDisplay(nullptr)) {
    if (display_)
        XSetErrorHandler(ignoreErrors);
}

XlibTopLevelWindows::~XlibTopLevelWindows() {
    if (display_)
        XCloseDisplay(display_);
}

QList<TopLevelWindow> XlibTopLevelWindows::list() {
    QList<TopLevelWindow> out;
    if (!display_)
        return out;
    Display* d = display_;
    const QList<Window> tops = children(d, DefaultRootWindow(d));
    // XQueryTree lists bottom to top.
    for (auto it = tops.crbegin(); it != tops.crend(); ++it) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(d, *it, &attributes) || attributes.c_class == InputOnly)
            continue;
        const Window client = clientOf(d, *it);
        // Hidden helper windows every toolkit keeps are unmapped; a minimised window is unmapped
        // too but keeps its WM_STATE.
        if (attributes.map_state != IsViewable && !isIconic(d, client))
            continue;
        out.append({quint64(client), title(d, client), windowClass(d, client), programOf(d, client)});
    }
    return out;
}

void XlibTopLevelWindows::requestClose(quint64 id) {
    if (!display_)
        return;
    Display* d = display_;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = Window(id);
    event.xclient.message_type = atom(d, "WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(atom(d, "WM_DELETE_WINDOW"));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, Window(id), False, NoEventMask, &event);
    XFlush(d);
}

} // namespace x11
