#include "GridLayoutFile.h"

#include "files/RegularFile.h"

#include <QFontMetrics>
#include <QSaveFile>
#include <cmath>

namespace gridlayout {

namespace {

std::optional<Column> parseLine(const QByteArray& line) {
    const QList<QByteArray> parts = line.split(',');
    if (parts.size() != 2)
        return std::nullopt;
    bool ok = false;
    const double width = parts[0].trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(width) || width < 0 || width > kMaxWidthTwips)
        return std::nullopt;
    const QByteArray flag = parts[1].trimmed().toUpper();
    if (flag != "#TRUE#" && flag != "#FALSE#")
        return std::nullopt;
    return Column{width, flag == "#TRUE#"};
}

} // namespace

QVector<std::optional<Column>> parse(const QByteArray& text) {
    QVector<std::optional<Column>> out;
    for (const QByteArray& raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (!line.isEmpty())
            out << parseLine(line);
    }
    return out;
}

QVector<std::optional<Column>> read(const QString& path) {
    const platform::FileRead file = platform::readRegularFile(path, kMaxFileBytes);
    if (file.status != platform::FileRead::Ok)
        return {};
    return parse(file.data);
}

QString format(const QVector<Column>& columns) {
    QString out;
    for (const Column& c : columns)
        out += QString::number(c.widthTwips, 'f', 0) +
               (c.visible ? QStringLiteral(",#TRUE#\r\n") : QStringLiteral(",#FALSE#\r\n"));
    return out;
}

bool write(const QString& path, const QVector<Column>& columns) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(format(columns).toLatin1());
    return file.commit();
}

QString centredCaption(const QString& caption, int columnWidth, const QFontMetrics& metrics,
                       bool rightAligned) {
    const QString trimmed = caption.trimmed();
    const int width = std::min(columnWidth, static_cast<int>(kMaxWidthTwips / 15));
    const double margin = (width - metrics.horizontalAdvance(trimmed)) / 2.0;
    const int blank = std::max(1, metrics.horizontalAdvance(QLatin1Char(' ')));
    const int n = margin > 0 ? static_cast<int>(margin / blank) : 0;
    const QString pad(n, QLatin1Char(' '));
    return rightAligned ? trimmed + pad : pad + trimmed;
}

} // namespace gridlayout
