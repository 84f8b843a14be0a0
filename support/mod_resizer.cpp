#include "mod_resizer.h"

#include <QWidget>
#include <cmath>

void mod_resizer::HideHandles(ResizerSurface& window) {
    for (int i = 0; i < kHandles; ++i) {
        if (QWidget* h = window.handle(i); h && !h->isHidden())
            h->hide();
    }
}

void mod_resizer::ShowHandles(QWidget* control, ResizerSurface& window) {
    if (!control)
        return;
    for (int i = 0; i < kHandles; ++i) {
        QWidget* h = window.handle(i);
        if (!h)
            return;
        if (h->isHidden())
            h->show();
    }
    const QRectF c = window.unitGeometry(control);
    const double L = c.left(), T = c.top(), W = c.width(), H = c.height();
    for (int i = 0; i < kHandles; ++i) {
        QWidget* h = window.handle(i);
        const QRectF own = window.unitGeometry(h);
        const double w = own.width(), hh = own.height();
        const double xs[] = {L - w, L + W / 2 - w / 2, L + W};
        const double ys[] = {T - hh, T + H / 2 - hh / 2, T + H};
        // Column and row of each handle: corners, edge midpoints clockwise from the top left, centre.
        static constexpr int col[kHandles] = {0, 1, 2, 2, 2, 1, 0, 0, 1};
        static constexpr int row[kHandles] = {0, 0, 0, 1, 2, 2, 2, 1, 1};
        h->raise();
        window.setUnitGeometry(h, QRectF(xs[col[i]], ys[row[i]], w, hh));
    }
}

void mod_resizer::GrabHandle(double x, double y) {
    GrabX = x;
    GrabY = y;
}

void mod_resizer::DragHandle(int index, Qt::MouseButtons button, Qt::KeyboardModifiers, double x, double y,
                             ResizerSurface& window) {
    if (button != Qt::LeftButton)
        return;
    if (std::abs(x - LastX) < 1 && std::abs(y - LastY) < 1)
        return;
    LastY = y;
    LastX = x;
    if (index < 0 || index >= kHandles || !SizedControl)
        return;
    const double dx = x - GrabX;
    const double dy = y - GrabY;
    QRectF r = window.unitGeometry(SizedControl);
    const auto change = [&](double left, double top, double width, double height) {
        window.setUnitGeometry(SizedControl, QRectF(left, top, width, height));
    };
    switch (index) {
    case 0:
        change(r.left() + dx, r.top() + dy, r.width() - dx, r.height() - dy);
        break;
    case 1:
        change(r.left(), r.top() + dy, r.width(), r.height() - dy);
        break;
    case 2:
        change(r.left(), r.top() + dy, r.width() + dx, r.height() - dy);
        break;
    case 3:
        change(r.left(), r.top(), r.width() + dx, r.height());
        break;
    case 4:
        change(r.left(), r.top(), r.width() + dx, r.height() + dy);
        break;
    case 5:
        change(r.left(), r.top(), r.width(), r.height() + dy);
        break;
    case 6:
        change(r.left() + dx, r.top(), r.width() - dx, r.height() + dy);
        break;
    case 7:
        // Two changes: the left edge may move even when the width change is refused.
        change(r.left() + dx, r.top(), r.width(), r.height());
        r = window.unitGeometry(SizedControl);
        change(r.left(), r.top(), r.width() - dx, r.height());
        break;
    case 8:
        change(r.left() + dx, r.top() + dy, r.width(), r.height());
        break;
    }
    ShowHandles(SizedControl, window);
}
