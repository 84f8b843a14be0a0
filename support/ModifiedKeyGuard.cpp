#include "ModifiedKeyGuard.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

bool takesText(const QObject* o) {
    return qobject_cast<const QLineEdit*>(o) || qobject_cast<const QPlainTextEdit*>(o) ||
           qobject_cast<const QTextEdit*>(o) || qobject_cast<const QAbstractSpinBox*>(o) ||
           qobject_cast<const QComboBox*>(o);
}

} // namespace

ModifiedKeyGuard::ModifiedKeyGuard(QObject* parent)
    : QObject(parent) {}

bool ModifiedKeyGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !takesText(watched))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!(key->modifiers() & (Qt::AltModifier | Qt::ControlModifier)))
        return false;
    // Editing commands (copy, paste, undo, select all...) carry no printable text and pass.
    const QString text = key->text();
    return !text.isEmpty() && text.front().isPrint();
}
