// The layout file's and the barcode box file's readers on any content, then their writers: every number
// read is finite and within reach of a screen or a page, and what is written reads back the same,
// through the files as the layout window does.
#include "PrintLayout.h"
#include "SatirFile.h"

#include <QTemporaryDir>
#include <cmath>
#include <cstddef>
#include <cstdint>

using printing::PrintLayout;

namespace {

bool sane(const PrintLayout& layout) {
    const QRectF w = layout.window();
    if (!w.isNull() && !PrintLayout::windowInReach(w))
        return false;
    for (int box = 0; box < PrintLayout::kBoxes; ++box) {
        const QRectF b = layout.box(box).twips;
        if (!PrintLayout::boxInReach(b.left(), b.top()) || !std::isfinite(b.width()) ||
            !std::isfinite(b.height()))
            return false;
    }
    return true;
}

bool same(const PrintLayout& a, const PrintLayout& b) {
    const auto equal = [](const QRectF& x, const QRectF& y) {
        return x.left() == y.left() && x.top() == y.top() && x.width() == y.width() &&
               x.height() == y.height();
    };
    if (!equal(a.window(), b.window()))
        return false;
    for (int box = 0; box < PrintLayout::kBoxes; ++box) {
        if (!equal(a.box(box).twips, b.box(box).twips))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(printing::satir::kFileName);
    const QString barcodePath = dir.filePath(printing::satir::kBarcodeFileName);
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    PrintLayout read;
    printing::satir::parse(input, read);
    printing::satir::parseBarcode(input, read);
    if (!sane(read))
        __builtin_trap();
    if (!printing::satir::write(path, read) || !printing::satir::writeBarcode(barcodePath, read))
        __builtin_trap();
    PrintLayout again;
    printing::satir::read(path, again);
    printing::satir::readBarcode(barcodePath, again);
    if (!same(read, again))
        __builtin_trap();
    return 0;
}
