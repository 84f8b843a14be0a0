#pragma once

#include <QRectF>
#include <QString>
#include <QVector>
#include <optional>

class QPainter;

namespace printing {

// A one-dimensional barcode as vector shapes: its bars in the symbol's own units, quiet zones
// included in its size. Drawn as rectangles, it stays sharp at any printer's resolution.
struct Barcode {
    QSizeF size;
    QVector<QRectF> bars;

    // A Code 128 symbol for `data`; nothing when the data cannot be encoded.
    static std::optional<Barcode> code128(const QString& data);

    // Fills `target` with the symbol, stretched to it.
    void paint(QPainter& painter, const QRectF& target) const;
};

} // namespace printing
