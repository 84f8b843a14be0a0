#pragma once

#include <QString>

namespace printing {

class PrintLayout;

// The layout file: line 1 the layout window's Top, Left, Height, Width, then one line of Top, Left
// per box 0 to 17; numbers in their shortest form with "." as decimal point, lines ending in CR LF.
namespace satir {

// Addressed by bare name, so it lives in the current directory.
inline const QString kFileName = QStringLiteral("Satir.dat");

QString formatNumber(double value);

// Sets the window and the boxes from the file. A missing file changes nothing; a line that cannot
// be read is skipped, and the boxes after it take the numbers last read.
void read(const QString& path, PrintLayout& layout);

// Replaces the file in one step: a failed write (a full disk, a crash) leaves the previous file.
bool write(const QString& path, const PrintLayout& layout);

} // namespace satir
} // namespace printing
