#include "GridLayoutFile.h"

#include <QFile>
#include <QFontMetrics>
#include <QSaveFile>

namespace gridlayout {

QVector<std::optional<Column>> read(const QString& path) {
    QFile file(path);
    QVector<std::optional<Column>> out;
    if (!file.open(QIODevice::ReadOnly))
        return out;
    // A layout file is a few short lines; anything larger is not one.
    const QByteArray data = file.read(64 * 1024);
    for (QByteArray line : data.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        const QList<QByteArray> parts = line.split(',');
        bool ok = parts.size() == 2;
        const double width = ok ? parts[0].trimmed().toDouble(&ok) : 0;
        const QByteArray flag = ok ? parts[1].trimmed().toUpper() : QByteArray();
        if (ok && width >= 0 && (flag == "#TRUE#" || flag == "#FALSE#"))
            out << Column{width, flag == "#TRUE#"};
        else
            out << std::nullopt;
    }
    return out;
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
    const double margin = (columnWidth - metrics.horizontalAdvance(trimmed)) / 2.0;
    const int blank = std::max(1, metrics.horizontalAdvance(QLatin1Char(' ')));
    const int n = margin > 0 ? static_cast<int>(margin / blank) : 0;
    const QString pad(n, QLatin1Char(' '));
    return rightAligned ? trimmed + pad : pad + trimmed;
}

} // namespace gridlayout
