#pragma once

#include "Barcode.h"

#include <QString>
#include <QVector>

namespace printing {

// The drawn service form: texts and barcodes at their places in twips from the page's top-left
// corner.
struct ServicePage {
    struct Text {
        double x; // left edge
        double y; // top of the line
        QString text;
        bool bold;
    };
    QVector<Text> texts;
    struct Bars {
        QRectF twips; // stretched to fill it
        Barcode barcode;
    };
    QVector<Bars> barcodes;
};

} // namespace printing
