// The stock list's column layout file through the program's own reader and writer: any content
// is read without harm, every width read is one a screen can show, and what is written back reads
// again as the same layout, line for line.
#include "GridLayoutFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("StokList.Dat"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    QVector<gridlayout::Column> columns;
    for (const std::optional<gridlayout::Column>& line : gridlayout::read(path)) {
        if (!line)
            continue;
        if (!std::isfinite(line->widthTwips) || line->widthTwips < 0 ||
            line->widthTwips > gridlayout::kMaxWidthTwips)
            __builtin_trap();
        columns << *line;
    }
    if (!gridlayout::write(path, columns))
        __builtin_trap();
    const QVector<std::optional<gridlayout::Column>> again = gridlayout::read(path);
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
