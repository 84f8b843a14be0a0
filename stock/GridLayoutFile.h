#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <optional>

class QFontMetrics;

// The column layout of the stock list as StokList.Dat keeps it: one line per column, its width
// in twips and "#TRUE#" or "#FALSE#" for its visibility, each line ended by CR LF.
namespace gridlayout {

// The widest column a screen can show: X11 coordinates end at 32767 pixels, 15 twips each at
// the designed resolution. Anything wider is damage, not a layout.
constexpr double kMaxWidthTwips = 32767.0 * 15;
// A layout file is a few short lines; anything larger is not one.
constexpr qint64 kMaxFileBytes = 64 * 1024;

struct Column {
    double widthTwips = 0;
    bool visible = true;
    bool operator==(const Column&) const = default;
};

// The lines of a layout file's text, one per column; a line that cannot be read (not two values,
// a width that is not a finite number between 0 and kMaxWidthTwips, a flag that is neither
// "#TRUE#" nor "#FALSE#") is nothing, and leaves its column as it was.
QVector<std::optional<Column>> parse(const QByteArray& text);
// The file at `path` parsed; a missing file, or anything but a regular file, gives no lines.
QVector<std::optional<Column>> read(const QString& path);
QString format(const QVector<Column>& columns);
// Replaces the file as a whole: a failure leaves the previous file as it was.
bool write(const QString& path, const QVector<Column>& columns);

// A left-aligned caption padded with blanks in front so that it stands in the middle of a
// column that wide (in pixels, measured with `metrics`); a right-aligned one is padded after.
// A width beyond what a screen shows counts as the widest a screen shows.
QString centredCaption(const QString& caption, int columnWidth, const QFontMetrics& metrics,
                       bool rightAligned);

} // namespace gridlayout
