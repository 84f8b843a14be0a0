#pragma once

#include <QList>
#include <QObject>

class QAbstractButton;
class QWidget;

// Keeps the button of a group that is under the pointer in bold type. Clicking: entering a button
// that is not bold yet plays Cmd.wav, and moving over the window outside the buttons sets them all
// back to normal. Silent: no sound, and the last button entered stays bold until another one of
// the group is entered. The object belongs to the window.
class HoverBold : public QObject {
    Q_OBJECT

public:
    enum class Mode { Clicking, Silent };

    HoverBold(const QList<QAbstractButton*>& buttons, QWidget* window, Mode mode);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void enter(QAbstractButton* button);
    void setAllNormal();
    bool isOverButton(const QPoint& windowPos) const;

    QList<QAbstractButton*> buttons_;
    QWidget* window_;
    Mode mode_;
};
