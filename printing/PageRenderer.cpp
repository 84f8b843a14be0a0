#include "PageRenderer.h"

#include "PrintLayout.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>

namespace printing {

namespace {
constexpr double kTwipsPerInch = 1440;
constexpr int kTenPointsInTwips = 200;
// A box's text stands this far inside its edges, as the window's text boxes show it.
constexpr double kBoxMargin = 30;

// The most characters of `line` that fit `width`, at least one; never half a surrogate pair.
// Measures only beginnings about as long as a line, however long the text.
int fitting(const QString& line, double width, const QFontMetricsF& m) {
    int low = 1, high = 2;
    while (high < line.size() && m.horizontalAdvance(line.left(high)) <= width) {
        low = high;
        high = std::min<qsizetype>(2 * high, line.size());
    }
    high = std::min<qsizetype>(high, line.size());
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (m.horizontalAdvance(line.left(mid)) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    if (low < line.size() && line[low].isLowSurrogate())
        low = low > 1 ? low - 1 : low + 1;
    return low;
}
} // namespace

QStringList PageRenderer::wrap(const QString& text, double width, const QFontMetricsF& metrics) {
    QStringList out;
    for (QString rest : text.split(QLatin1Char('\n'))) {
        bool broken = false;
        while (!rest.isEmpty() && metrics.horizontalAdvance(rest) > width) {
            broken = true;
            const int n = fitting(rest, width, metrics);
            // A space at the very start is the text's own indent, not a place to break.
            const qsizetype space = rest.lastIndexOf(QLatin1Char(' '), n);
            if (space > 0) {
                out << rest.left(space);
                qsizetype next = space;
                while (next < rest.size() && rest[next] == QLatin1Char(' '))
                    ++next;
                rest.remove(0, next);
            } else {
                out << rest.left(n);
                rest.remove(0, n);
            }
        }
        // An empty line of the text stays; the end of a wrapped one adds none.
        if (!broken || !rest.isEmpty())
            out << rest;
    }
    return out;
}

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
    for (const ServicePage::Bars& b : page.barcodes)
        b.barcode.paint(painter, b.twips);
    painter.restore();
}

void PageRenderer::paintBoxes(QPainter& painter, const PrintLayout& layout) {
    painter.save();
    scaleToTwips(painter);
    painter.setFont(font());
    const QFontMetricsF metrics(font());
    for (int i = 0; i < PrintLayout::kBoxes; ++i) {
        const PrintLayout::Box& b = layout.box(i);
        painter.fillRect(b.twips, QColor(0x00, 0xFF, 0xFF));
        painter.setPen(Qt::black);
        painter.drawRect(b.twips);
        painter.save();
        painter.setClipRect(b.twips);
        // Every line a multi-line box shows, wrapped as the box wraps it on the screen.
        QString text = b.text;
        text.remove(QLatin1Char('\r'));
        const QStringList lines = b.multiLine ? wrap(text, b.twips.width() - 2 * kBoxMargin, metrics)
                                              : QStringList{text.section(QLatin1Char('\n'), 0, 0)};
        double y = b.twips.top() + kBoxMargin + metrics.ascent();
        for (const QString& line : lines) {
            painter.drawText(QPointF(b.twips.left() + kBoxMargin, y), line);
            y += metrics.height();
        }
        painter.restore();
    }
    painter.restore();
}

} // namespace printing
