#pragma once

#include <QObject>

// Installed on the application: a key pressed with Alt or Ctrl never types into a box. Such a
// key is a command; when no command takes it (the button of an Alt shortcut is hidden, say), the
// box under the focus would otherwise insert its letter or replace a selection with it.
// A command of the window wins over a box's own key binding, too: on X11 a text box claims Ctrl+E,
// Ctrl+H, Ctrl+B and others for its line editing, and the program's menu shortcuts never fired.
class ModifiedKeyGuard : public QObject {
    Q_OBJECT

public:
    explicit ModifiedKeyGuard(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
