#include "TextCursor.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QProxyStyle>

namespace caret {

namespace {

QSize g_size(1, 1);

// The box's own caret made as wide as the block: the line edit then draws it where the caret
// is, from there to the right, inverting what lies beneath as the old caret did, and blinks it
// at the desktop's rate like any caret.
class BlockCaretStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_TextCursorWidth)
            return g_size.width();
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

struct Owner {
    QPointer<QLineEdit> box;
    BlockCaretStyle* style = nullptr;
};

Owner& owner() {
    static Owner instance;
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
    Owner& o = owner();
    if (o.box && o.box != box)
        o.box->setStyle(nullptr);
    o.box = box;
    if (!box)
        return;
    if (!o.style) {
        // Built on the program's own style by name: an empty proxy would take the desktop's.
        o.style = new BlockCaretStyle(QApplication::style()->name());
        // The style lives as long as the application that draws with it.
        o.style->setParent(qApp);
    }
    box->setStyle(o.style);
    box->update();
}

QLineEdit* caretOwner() {
    return owner().box;
}

} // namespace caret
