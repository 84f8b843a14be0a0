#pragma once

#include <QObject>

// Installed on the application: a key pressed with Alt or Ctrl never types into a box. Such a
// key is a command; when no command takes it (the button of an Alt shortcut is hidden, say), the
// box under the focus would otherwise insert its letter or replace a selection with it.
class ModifiedKeyGuard : public QObject {
    Q_OBJECT

public:
    explicit ModifiedKeyGuard(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
