#include "PageRenderer.h"

#include "PrintLayout.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

namespace printing {

namespace {
constexpr double kTwipsPerInch = 1440;
constexpr int kTenPointsInTwips = 200;
} // namespace

QFont PageRenderer::font(bool bold) {
    // Liberation Sans keeps the widths of the common office sans-serif, so that a layout made with
    // it keeps its line breaks; it has every Turkish letter.
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    // Sized in twips, the unit the painter draws in, whatever the device.
    f.setPixelSize(kTenPointsInTwips);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setBold(bold);
    return f;
}

void PageRenderer::scaleToTwips(QPainter& painter) {
    const QPaintDevice* d = painter.device();
    painter.scale(d->logicalDpiX() / kTwipsPerInch, d->logicalDpiY() / kTwipsPerInch);
}

void PageRenderer::paint(QPainter& painter, const ServicePage& page) {
    painter.save();
    scaleToTwips(painter);
    painter.setPen(Qt::black);
    const QFont fonts[] = {font(false), font(true)};
    const double ascents[] = {QFontMetricsF(fonts[0]).ascent(), QFontMetricsF(fonts[1]).ascent()};
    for (const ServicePage::Text& t : page.texts) {
        painter.setFont(fonts[t.bold]);
        painter.drawText(QPointF(t.x, t.y + ascents[t.bold]), t.text);
    }
    painter.restore();
}

void PageRenderer::paintBoxes(QPainter& painter, const PrintLayout& layout) {
    painter.save();
    scaleToTwips(painter);
    painter.setFont(font());
    const double ascent = QFontMetricsF(font()).ascent();
    for (int i = 0; i < PrintLayout::kBoxes; ++i) {
        const PrintLayout::Box& b = layout.box(i);
        painter.fillRect(b.twips, QColor(0x00, 0xFF, 0xFF));
        painter.setPen(Qt::black);
        painter.drawRect(b.twips);
        painter.save();
        painter.setClipRect(b.twips);
        painter.drawText(QPointF(b.twips.left() + 30, b.twips.top() + 30 + ascent),
                         b.text.section('\n', 0, 0));
        painter.restore();
    }
    painter.restore();
}

} // namespace printing
