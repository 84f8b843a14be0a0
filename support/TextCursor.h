#pragma once

#include <QSize>

class QLineEdit;

// The block caret of a text box: a solid caret of a size the window computes from its font,
// drawn in place of the box's thin one at the caret position, blinking as carets do. One box at a
// time has it.
namespace caret {

// The size every block caret gets, in pixels; the stock list sets it as it loads.
void setBlockCaretSize(const QSize& size);
QSize blockCaretSize();

// Gives the box the block caret, taking it away from the box that had it.
void ShowBlockCaret(QLineEdit* box);
// The box that has the block caret, or none.
QLineEdit* caretOwner();

} // namespace caret
