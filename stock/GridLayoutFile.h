#pragma once

#include <QString>
#include <QVector>
#include <optional>

class QFontMetrics;

// The column layout of the stock list as StokList.Dat keeps it: one line per column, its width
// in twips and "#TRUE#" or "#FALSE#" for its visibility, each line ended by CR LF.
namespace gridlayout {

struct Column {
    double widthTwips = 0;
    bool visible = true;
    bool operator==(const Column&) const = default;
};

// The file's lines, one per column; a line that cannot be read leaves its column as it was
// (nothing), and a missing file gives no lines at all.
QVector<std::optional<Column>> read(const QString& path);
QString format(const QVector<Column>& columns);
// Replaces the file as a whole: a failure leaves the previous file as it was.
bool write(const QString& path, const QVector<Column>& columns);

// A left-aligned caption padded with blanks in front so that it stands in the middle of a
// column that wide (in pixels, measured with `metrics`); a right-aligned one is padded after.
QString centredCaption(const QString& caption, int columnWidth, const QFontMetrics& metrics,
                       bool rightAligned);

} // namespace gridlayout
