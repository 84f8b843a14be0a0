#pragma once

#include "ServicePage.h"

#include <QFont>

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

    static void paint(QPainter& painter, const ServicePage& page);
    // The field boxes themselves, as the layout window shows them in adjust mode.
    static void paintBoxes(QPainter& painter, const PrintLayout& layout);

private:
    static void scaleToTwips(QPainter& painter);
};

} // namespace printing
