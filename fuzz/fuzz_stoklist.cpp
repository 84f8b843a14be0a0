// The stock list's column layout file through the program's own reading and writing of its text
// (read() and write() add only the file around it): any content is read without harm, every width
// read is one a screen can show, and what is written reads again as the same layout, line for line.
#include "GridLayoutFile.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > static_cast<size_t>(gridlayout::kMaxFileBytes))
        return 0; // read() never hands more to parse()
    const QByteArray text =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QVector<gridlayout::Column> columns;
    for (const std::optional<gridlayout::Column>& line : gridlayout::parse(text)) {
        if (!line)
            continue;
        if (!std::isfinite(line->widthTwips) || line->widthTwips < 0 ||
            line->widthTwips > gridlayout::kMaxWidthTwips)
            __builtin_trap();
        columns << *line;
    }
    const QByteArray written = gridlayout::format(columns).toLatin1();
    const QVector<std::optional<gridlayout::Column>> again = gridlayout::parse(written);
    if (again.size() != columns.size())
        __builtin_trap();
    for (qsizetype i = 0; i < columns.size(); ++i) {
        // Widths are written as whole twips.
        if (!again[i] || again[i]->visible != columns[i].visible ||
            std::abs(again[i]->widthTwips - columns[i].widthTwips) > 0.5)
            __builtin_trap();
    }
    return 0;
}
