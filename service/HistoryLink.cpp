#include "HistoryLink.h"

#include "Schema.h"

#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QShortcut>
#include <QTimer>

namespace {

// Long enough to span the gap between two keystrokes of a typist, short enough to feel at once.
constexpr int kPauseMs = 350;
constexpr int kInset = 2; // pixels between the note and the box's frame

} // namespace

HistoryLink::HistoryLink(QLineEdit* box, QWidget* layer, history::Kind kind, Counter count,
                         const QKeySequence& key)
    : QLabel(layer)
    , box_(box)
    , kind_(kind)
    , count_(std::move(count))
    , pause_(new QTimer(this)) {
    setObjectName(box->objectName() + QStringLiteral("_Gecmis"));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAlignment(Qt::AlignCenter);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, p.color(QPalette::Active, QPalette::Link));
    p.setColor(QPalette::Window, box->palette().color(QPalette::Active, QPalette::Base));
    setPalette(p);
    setAutoFillBackground(true);
    hide();
    raise(); // over the box's panel, which lies under it in the same parent

    pause_->setSingleShot(true);
    pause_->setInterval(kPauseMs);
    connect(pause_, &QTimer::timeout, this, &HistoryLink::refresh);
    connect(box_, &QLineEdit::textChanged, this, &HistoryLink::boxEdited);
    box_->installEventFilter(this);
    auto* shortcut = new QShortcut(key, box_);
    shortcut->setContext(Qt::WidgetShortcut);
    connect(shortcut, &QShortcut::activated, this, &HistoryLink::activated);
}

void HistoryLink::boxEdited() {
    // An empty box has no history: nothing to look up, nothing to wait for.
    if (schema::matchKey(box_->text()).isEmpty()) {
        pause_->stop();
        setText(QString());
        place();
        return;
    }
    pause_->start();
}

void HistoryLink::refresh() {
    pause_->stop();
    const QString caption = history::caption(kind_, count_(box_->text()));
    // Most records have no others: browsing them then costs the look-up alone.
    if (caption == text())
        return;
    setText(caption);
    place();
}

// Only what changed is touched: a new margin lays the box out again.
void HistoryLink::place() {
    const bool shown = !text().isEmpty();
    const int width = shown ? fontMetrics().horizontalAdvance(text()) + 4 * kInset : 0;
    if (shown) {
        const QRect inBox(box_->width() - width - kInset, kInset, width, box_->height() - 2 * kInset);
        setGeometry(QRect(box_->mapTo(parentWidget(), inBox.topLeft()), inBox.size()));
    }
    const QMargins margins(0, 0, shown ? width + kInset : 0, 0);
    if (box_->textMargins() != margins)
        box_->setTextMargins(margins);
    setVisible(shown);
}

void HistoryLink::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        Q_EMIT activated();
    QLabel::mouseReleaseEvent(e);
}

bool HistoryLink::eventFilter(QObject* watched, QEvent* e) {
    if (watched == box_ && (e->type() == QEvent::Resize || e->type() == QEvent::Move) && !text().isEmpty())
        place();
    return QLabel::eventFilter(watched, e);
}
