#include "AutoCapitalizeFilter.h"

#include "AutoCapitalizeKey.h"
#include "codepage/CodePage1254.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <optional>

namespace {

// The code the key types, as the old key-press event delivered it: Ctrl with a letter is its
// control code (Ctrl+S is 19) whatever text the keyboard layer attached.
std::optional<int> typedCode(const QKeyEvent& key) {
    const Qt::KeyboardModifiers mods = key.modifiers();
    if ((mods & Qt::ControlModifier) && !(mods & (Qt::AltModifier | Qt::MetaModifier)) &&
        key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z)
        return key.key() - Qt::Key_A + 1;
    const QString text = key.text();
    if (text.size() != 1)
        return std::nullopt;
    if (const std::optional<uchar> code = cp1254::fromUnicode(text[0]))
        return *code;
    return std::nullopt;
}

} // namespace

AutoCapitalizeFilter::AutoCapitalizeFilter(QWidget* box, std::function<TextAndCaret()> read)
    : QObject(box)
    , read_(std::move(read)) {
    box->installEventFilter(this);
}

void AutoCapitalizeFilter::install(QLineEdit* box) {
    new AutoCapitalizeFilter(box, [box] {
        return TextAndCaret{box->text(),
                            box->hasSelectedText() ? box->selectionStart() : box->cursorPosition()};
    });
}

void AutoCapitalizeFilter::install(QPlainTextEdit* box) {
    new AutoCapitalizeFilter(box, [box] {
        return TextAndCaret{box->toPlainText(), box->textCursor().selectionStart()};
    });
}

void AutoCapitalizeFilter::install(QTextEdit* box) {
    new AutoCapitalizeFilter(box, [box] {
        return TextAndCaret{box->toPlainText(), box->textCursor().selectionStart()};
    });
}

bool AutoCapitalizeFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    std::optional<int> code = typedCode(*key);
    if (!code)
        return false;
    const TextAndCaret box = read_();
    const int result = AutoCapitalizeKey(box.text, box.selStart, *code);
    if (result == 0)
        return true;
    if (result == *code)
        return false;
    // The box types the capital through its own key handling, so its undo, length limit and
    // change signals behave as for any typed character. A capital passes this filter unchanged.
    QKeyEvent capital(QEvent::KeyPress, key->key(), key->modifiers(),
                      QString(cp1254::toUnicode(static_cast<uchar>(result))), key->isAutoRepeat(),
                      key->count());
    QCoreApplication::sendEvent(watched, &capital);
    return true;
}
