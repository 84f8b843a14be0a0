#include "Barcode.h"

#include <QPainter>
#include <memory>
#include <zint.h>

namespace printing {

namespace {
// Ten modules of white on each side: the quiet zone Code 128 needs to be found by a scanner.
constexpr int kQuietZone = 10;
} // namespace

std::optional<Barcode> Barcode::code128(const QString& data) {
    const std::unique_ptr<zint_symbol, decltype(&ZBarcode_Delete)> symbol(ZBarcode_Create(), ZBarcode_Delete);
    if (!symbol || data.isEmpty())
        return std::nullopt;
    symbol->symbology = BARCODE_CODE128;
    symbol->input_mode = UNICODE_MODE;
    symbol->show_hrt = 0;
    symbol->whitespace_width = kQuietZone;
    const QByteArray utf8 = data.toUtf8();
    if (ZBarcode_Encode_and_Buffer_Vector(symbol.get(),
                                          reinterpret_cast<const unsigned char*>(utf8.constData()),
                                          static_cast<int>(utf8.size()), 0) >= ZINT_ERROR ||
        !symbol->vector)
        return std::nullopt;
    Barcode out;
    out.size = QSizeF(symbol->vector->width, symbol->vector->height);
    for (const zint_vector_rect* r = symbol->vector->rectangles; r; r = r->next)
        out.bars << QRectF(r->x, r->y, r->width, r->height);
    return out;
}

void Barcode::paint(QPainter& painter, const QRectF& target) const {
    if (size.isEmpty())
        return;
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / size.width(), target.height() / size.height());
    for (const QRectF& bar : bars)
        painter.fillRect(bar, Qt::black);
    painter.restore();
}

} // namespace printing
