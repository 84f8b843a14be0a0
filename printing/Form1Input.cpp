// The layout window's mouse and keyboard: dragging the window and the boxes, nudging a box with
// Ctrl+arrow, Enter moving on, focus colours and the sizing handles.
#include "Form1.h"

#include "PageRenderer.h"
#include "ui/Twips.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QWindow>

namespace printing {

namespace {
const QColor kFocused(0xFF, 0x80, 0x80);
const QColor kUnfocused(0x00, 0xFF, 0xFF);

void setBack(QWidget* box, const QColor& colour) {
    QPalette p = box->palette();
    p.setColor(QPalette::Base, colour);
    box->setPalette(p);
}

bool isArrow(int key) {
    return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down;
}
} // namespace

QWidget* Form1::handle(int index) const {
    return index >= 0 && index < mod_resizer::kHandles ? handles_[index] : nullptr;
}

QRectF Form1::unitGeometry(const QWidget* control) const {
    for (int i = 0; i < kBoxes; ++i) {
        if (FatText[i] == control)
            return layout_.box(i).twips;
    }
    for (int i = 0; i < mod_resizer::kHandles; ++i) {
        if (handles_[i] == control)
            return handleTwips_[i];
    }
    return {};
}

bool Form1::setUnitGeometry(QWidget* control, const QRectF& twips) {
    if (twips.width() < 0 || twips.height() < 0)
        return false;
    for (int i = 0; i < kBoxes; ++i) {
        if (FatText[i] == control) {
            layout_.setBoxGeometry(i, twips);
            return true;
        }
    }
    for (int i = 0; i < mod_resizer::kHandles; ++i) {
        if (handles_[i] == control) {
            handleTwips_[i] = twips;
            control->setGeometry(ui::twipsRect(qRound(twips.left()), qRound(twips.top()),
                                               qRound(twips.width()), qRound(twips.height())));
            return true;
        }
    }
    return false;
}

QWidget* Form1::viewportOf(int box) const {
    auto* text = qobject_cast<QPlainTextEdit*>(FatText[box]);
    return text ? text->viewport() : nullptr;
}

QPointF Form1::twipsAt(const QPointF& pixels) const {
    return {pixels.x() * 1440.0 / logicalDpiX(), pixels.y() * 1440.0 / logicalDpiY()};
}

bool Form1::eventFilter(QObject* watched, QEvent* e) {
    if (watched == canvas_)
        return canvasEvent(e);
    for (int i = 0; i < kBoxes; ++i) {
        // A multi-line box takes the mouse in its viewport.
        if (watched == FatText[i] || watched == viewportOf(i))
            return boxEvent(i, e);
    }
    for (int i = 0; i < mod_resizer::kHandles; ++i) {
        if (watched == handles_[i])
            return handleEvent(i, e);
    }
    return QMainWindow::eventFilter(watched, e);
}

bool Form1::canvasEvent(QEvent* e) {
    switch (e->type()) {
    case QEvent::Paint: {
        // Drawn afresh from the composed page each time, so covering the window loses nothing.
        QPainter painter(canvas_);
        if (!adjust_)
            PageRenderer::paint(painter, page_);
        return false;
    }
    case QEvent::MouseButtonPress: {
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->button() == Qt::RightButton) {
            PopMenu->popup(m->globalPosition().toPoint());
            return true;
        }
        if (m->button() != Qt::LeftButton)
            return false;
        setCursor(Qt::SizeAllCursor);
        // Without a window manager the system move is refused: follow the mouse ourselves.
        movingWindow_ = !(windowHandle() && windowHandle()->startSystemMove());
        windowStart_ = m->globalPosition().toPoint() - frameGeometry().topLeft();
        if (!movingWindow_)
            unsetCursor();
        return true;
    }
    case QEvent::MouseMove:
        if (movingWindow_) {
            move(static_cast<QMouseEvent*>(e)->globalPosition().toPoint() - windowStart_);
            return true;
        }
        return false;
    case QEvent::MouseButtonRelease:
        if (movingWindow_) {
            movingWindow_ = false;
            unsetCursor();
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool Form1::boxEvent(int box, QEvent* e) {
    QWidget* w = FatText[box];
    switch (e->type()) {
    case QEvent::FocusIn:
        setBack(w, kFocused);
        return false;
    case QEvent::FocusOut:
        setBack(w, kUnfocused);
        return false;
    case QEvent::ShortcutOverride: {
        // The window's Ctrl shortcuts win over the box's own editing keys.
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->modifiers() & Qt::ControlModifier) {
            e->ignore();
            return true;
        }
        return false;
    }
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->modifiers() & Qt::ControlModifier) {
            if (!isArrow(k->key()))
                return false;
            // A held key repeats as a release and a press at the same moment (X11 does not always
            // mark them as repeats): the box moves once for the whole hold.
            const bool repeat = k->isAutoRepeat() || (lastRelease_ && lastRelease_->first == k->key() &&
                                                      lastRelease_->second == k->timestamp());
            if (!repeat)
                nudge(box, k->key());
            return true;
        }
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            focusNextChild();
            return true;
        }
        return false;
    }
    case QEvent::KeyRelease: {
        auto* k = static_cast<QKeyEvent*>(e);
        lastRelease_ = std::make_pair(k->key(), k->timestamp());
        return isArrow(k->key()) && (k->modifiers() & Qt::ControlModifier);
    }
    case QEvent::MouseButtonPress: {
        auto* m = static_cast<QMouseEvent*>(e);
        if (m->button() != Qt::LeftButton)
            return false;
        // A box clicked in adjust mode is the one the sizing handles frame.
        resizer_.SizedControl = w;
        resizer_.ShowHandles(w, *this);
        w->setFocus(Qt::MouseFocusReason);
        draggedBox_ = box;
        dragStart_ = m->globalPosition().toPoint();
        dragOrigin_ = layout_.box(box).twips.topLeft();
        return true;
    }
    case QEvent::MouseMove: {
        if (draggedBox_ != box)
            return false;
        const QPoint d = static_cast<QMouseEvent*>(e)->globalPosition().toPoint() - dragStart_;
        const QPointF t = twipsAt(d);
        layout_.moveBox(box, dragOrigin_.x() + t.x(), dragOrigin_.y() + t.y());
        resizer_.ShowHandles(w, *this);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (draggedBox_ != box)
            return false;
        draggedBox_ = -1;
        return true;
    case QEvent::MouseButtonDblClick:
        // A box in adjust mode is moved, not edited with the mouse: nothing gets selected.
        return true;
    default:
        return false;
    }
}

void Form1::nudge(int box, int key) {
    QPointF at = layout_.box(box).twips.topLeft();
    switch (key) {
    case Qt::Key_Left:
        at.rx() -= kNudgeTwips;
        break;
    case Qt::Key_Right:
        at.rx() += kNudgeTwips;
        break;
    case Qt::Key_Up:
        at.ry() -= kNudgeTwips;
        break;
    case Qt::Key_Down:
        at.ry() += kNudgeTwips;
        break;
    }
    layout_.moveBox(box, at.x(), at.y());
    if (resizer_.SizedControl == FatText[box])
        resizer_.ShowHandles(FatText[box], *this);
}

bool Form1::handleEvent(int index, QEvent* e) {
    if (e->type() != QEvent::MouseButtonPress && e->type() != QEvent::MouseMove)
        return false;
    auto* m = static_cast<QMouseEvent*>(e);
    const QPointF t = twipsAt(m->position());
    if (e->type() == QEvent::MouseButtonPress)
        resizer_.GrabHandle(t.x(), t.y());
    else
        resizer_.DragHandle(index, m->buttons(), m->modifiers(), t.x(), t.y(), *this);
    return true;
}

} // namespace printing
