#include "TextCursor.h"

#include <QEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>

namespace caret {

namespace {

QSize g_size(1, 1);

// Paints the block after the box has painted itself, inverting what lies beneath as the old
// caret did, and only while the box has the focus.
class BlockCaretPainter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::Paint || watched != owner)
            return false;
        watched->event(e);
        if (owner->hasFocus()) {
            QPainter p(owner);
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            const QRect thin = owner->inputMethodQuery(Qt::ImCursorRectangle).toRect();
            QRect block(QPoint(thin.center().x() - 1, thin.center().y() - g_size.height() / 2), g_size);
            p.fillRect(block, Qt::white);
        }
        return true;
    }

    void follow(QLineEdit* box) {
        if (owner) {
            owner->removeEventFilter(this);
            disconnect(owner, nullptr, this, nullptr);
            owner->update();
        }
        owner = box;
        if (!box)
            return;
        box->installEventFilter(this);
        connect(box, &QLineEdit::cursorPositionChanged, this, [box] { box->update(); });
        box->update();
    }

    QPointer<QLineEdit> owner;
};

BlockCaretPainter& painter() {
    static BlockCaretPainter instance;
    return instance;
}

} // namespace

void setBlockCaretSize(const QSize& size) {
    g_size = size;
}

QSize blockCaretSize() {
    return g_size;
}

void ShowBlockCaret(QLineEdit* box) {
    painter().follow(box);
}

QLineEdit* caretOwner() {
    return painter().owner;
}

} // namespace caret
