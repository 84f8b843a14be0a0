#include "ModifiedKeyGuard.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <algorithm>

namespace {

bool takesText(const QObject* o) {
    return qobject_cast<const QLineEdit*>(o) || qobject_cast<const QPlainTextEdit*>(o) ||
           qobject_cast<const QTextEdit*>(o) || qobject_cast<const QAbstractSpinBox*>(o) ||
           qobject_cast<const QComboBox*>(o);
}

} // namespace

ModifiedKeyGuard::ModifiedKeyGuard(QObject* parent)
    : QObject(parent) {}

// Whether an enabled action of the widget's window has this key as its shortcut.
bool windowCommand(const QObject* watched, const QKeyEvent* key) {
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (!widget || !(key->modifiers() & Qt::ControlModifier))
        return false;
    const QKeySequence pressed(key->keyCombination());
    const QList<QAction*> actions = widget->window()->findChildren<QAction*>();
    return std::any_of(actions.begin(), actions.end(),
                       [&](const QAction* a) { return a->isEnabled() && a->shortcuts().contains(pressed); });
}

bool ModifiedKeyGuard::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type != QEvent::ShortcutOverride && type != QEvent::KeyPress) || !takesText(watched))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    // Taken here, the override is not accepted by the box: the shortcut goes to its action.
    if (type == QEvent::ShortcutOverride)
        return windowCommand(watched, key);
    if (!(key->modifiers() & (Qt::AltModifier | Qt::ControlModifier)))
        return false;
    // Editing commands (copy, paste, undo, select all...) carry no printable text and pass.
    const QString text = key->text();
    return !text.isEmpty() && text.front().isPrint();
}
