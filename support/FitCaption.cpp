#include "FitCaption.h"

#include <QFontMetrics>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace {

QFont weighted(QFont font, bool bold) {
    font.setBold(bold);
    return font;
}

bool fits(const QPushButton* button, const QFont& font) {
    QStyleOptionButton option;
    option.initFrom(button);
    const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button);
    const int inner = button->height() - 2 * frame;
    return captionWidth(button, weighted(font, true)) <= button->width() &&
           captionWidth(button, weighted(font, false)) <= button->width() &&
           QFontMetrics(weighted(font, true)).height() <= inner && button->iconSize().height() <= inner;
}

} // namespace

int captionWidth(const QPushButton* button, const QFont& font) {
    QStyleOptionButton option;
    option.initFrom(button);
    const QStyle* style = button->style();
    const int margin = style->pixelMetric(QStyle::PM_ButtonMargin, &option, button);
    const int frame = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button);
    QString caption = button->text();
    caption.remove(u'&');
    int width = QFontMetrics(font).horizontalAdvance(caption);
    if (!button->icon().isNull())
        width += button->iconSize().width() + 4; // the gap the style leaves after an icon
    return width + 2 * margin + 2 * frame;
}

void fitCaption(QPushButton* button) {
    QFont font = button->font();
    const int largestIcon = button->iconSize().width();
    for (int points = font.pointSize(); points >= 5; --points) {
        font.setPointSize(points);
        for (int icon = largestIcon; icon >= 10; icon -= 2) {
            button->setIconSize(QSize(icon, icon));
            if (fits(button, font)) {
                button->setFont(font);
                return;
            }
        }
    }
    button->setFont(font);
}
