#pragma once

#include "History.h"

#include <QLabel>
#include <functional>

class QLineEdit;
class QTimer;

// A link-style note at the right end of a box: how many other records share the box's text
// ("3 önceki kayıt"). It follows what the box shows: at once when the window says so (a record
// shown), otherwise once the typing pauses, so that no keystroke waits for a look-up.
class HistoryLink : public QLabel {
    Q_OBJECT

public:
    using Counter = std::function<int(const QString& text)>;

    // The note lies over `box` as a child of `layer`, a widget that takes clicks while the box's
    // own panel is switched off. `key` pressed in the box activates the note as a click does.
    HistoryLink(QLineEdit* box, QWidget* layer, history::Kind kind, Counter count, const QKeySequence& key);

    history::Kind kind() const { return kind_; }
    QLineEdit* box() const { return box_; }
    // Looks the box's text up now.
    void refresh();

Q_SIGNALS:
    void activated();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void boxEdited();
    void place();

    QLineEdit* box_;
    history::Kind kind_;
    Counter count_;
    QTimer* pause_;
};
