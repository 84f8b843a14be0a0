#pragma once

#include "ServicePage.h"

#include <QFont>
#include <QStringList>

class QFontMetricsF;
class QPainter;

namespace printing {

class PrintLayout;

// Paints the service form onto any painter (the layout window, a printer, a PDF), in twips: the
// painter is scaled once from its device's resolution, so a printout is vector text at the
// printer's resolution with every field at its place to the twip.
class PageRenderer {
public:
    // The page font: a sans-serif with the metrics of the layout window's design font, 10 points.
    static QFont font(bool bold = false);

    // The lines `text` takes in a box `width` wide: each of its lines broken after the last word
    // that fits, a word wider than the box cut where it reaches the edge.
    static QStringList wrap(const QString& text, double width, const QFontMetricsF& metrics);

    static void paint(QPainter& painter, const ServicePage& page);
    // The field boxes themselves, as the layout window shows them in adjust mode.
    static void paintBoxes(QPainter& painter, const PrintLayout& layout);

private:
    static void scaleToTwips(QPainter& painter);
};

} // namespace printing
