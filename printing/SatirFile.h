#pragma once

#include <QByteArray>
#include <QString>

namespace printing {

class PrintLayout;

// The layout file: line 1 the layout window's Top, Left, Height, Width, then one line of Top, Left
// per field box 0 to 17; numbers in their shortest form with "." as decimal point, lines ending in CR LF.
namespace satir {

// Addressed by bare name, so it lives in the current directory.
inline const QString kFileName = QStringLiteral("Satir.dat");

// The file holds well under 1 KB; anything past this is not read.
constexpr qint64 kMaxBytes = 64 * 1024;

QString formatNumber(double value);

// Sets the window and the boxes from the file's content. A line that cannot be read, or whose
// numbers are not finite or lie beyond any screen or page, is skipped, and the boxes after it take
// the numbers last read.
void parse(const QByteArray& content, PrintLayout& layout);
QByteArray format(const PrintLayout& layout);

// parse() on the file; a missing file, or anything that is not a regular file, changes nothing.
void read(const QString& path, PrintLayout& layout);

// Replaces the file in one step: a failed write (a full disk, a crash) leaves the previous file.
bool write(const QString& path, const PrintLayout& layout);

// The barcode box, which the layout file has no line for, keeps its Top, Left, Height, Width in a
// file of its own beside it, written in the same way. A line that cannot be read, lies beyond the
// page or has no size changes nothing.
inline const QString kBarcodeFileName = QStringLiteral("Barkod.dat");

void parseBarcode(const QByteArray& content, PrintLayout& layout);
QByteArray formatBarcode(const PrintLayout& layout);
void readBarcode(const QString& path, PrintLayout& layout);
bool writeBarcode(const QString& path, const PrintLayout& layout);

} // namespace satir
} // namespace printing
