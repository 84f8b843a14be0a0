#include "SatirFile.h"

#include "PrintLayout.h"
#include "files/RegularFile.h"

#include <QSaveFile>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

namespace printing::satir {

namespace {

// Exactly `count` finite numbers separated by commas, or nothing.
std::optional<std::vector<double>> numbers(const QByteArray& line, int count) {
    const QList<QByteArray> parts = line.trimmed().split(',');
    if (parts.size() != count)
        return std::nullopt;
    std::vector<double> out;
    for (const QByteArray& p : parts) {
        const QByteArray t = p.trimmed();
        double v = 0;
        const auto [end, ec] = std::from_chars(t.constData(), t.constData() + t.size(), v);
        if (t.isEmpty() || ec != std::errc() || end != t.constData() + t.size() || !std::isfinite(v))
            return std::nullopt;
        out.push_back(v);
    }
    return out;
}

QString formatLine(std::initializer_list<double> values) {
    QStringList parts;
    for (double v : values)
        parts << formatNumber(v);
    return parts.join(',') + QStringLiteral("\r\n");
}

bool save(const QString& path, const QByteArray& content) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // Written data may sit in a buffer until flushed: a disk that fills up shows only then.
    if (file.write(content) < 0 || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void readInto(const QString& path, PrintLayout& layout, void (*parser)(const QByteArray&, PrintLayout&)) {
    const platform::FileRead file = platform::readRegularFile(path, kMaxBytes);
    if (file.status == platform::FileRead::Ok)
        parser(file.data, layout);
}

} // namespace

QString formatNumber(double value) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, ec == std::errc() ? end - buffer : 0);
}

void parse(const QByteArray& content, PrintLayout& layout) {
    const QList<QByteArray> lines = content.split('\n');
    const auto line = [&lines](int i) { return i < lines.size() ? lines[i] : QByteArray(); };
    if (const auto w = numbers(line(0), 4))
        layout.setWindow(QRectF((*w)[1], (*w)[0], (*w)[3], (*w)[2]));
    std::optional<std::vector<double>> last;
    for (int box = 0; box < PrintLayout::kFieldBoxes; ++box) {
        if (auto p = numbers(line(box + 1), 2); p && PrintLayout::boxInReach((*p)[1], (*p)[0]))
            last = std::move(p);
        if (last)
            layout.moveBox(box, (*last)[1], (*last)[0]);
    }
}

QByteArray format(const PrintLayout& layout) {
    const QRectF w = layout.window();
    QString text = formatLine({w.top(), w.left(), w.height(), w.width()});
    for (int box = 0; box < PrintLayout::kFieldBoxes; ++box)
        text += formatLine({layout.box(box).twips.top(), layout.box(box).twips.left()});
    return text.toLatin1();
}

void read(const QString& path, PrintLayout& layout) {
    readInto(path, layout, parse);
}

bool write(const QString& path, const PrintLayout& layout) {
    return save(path, format(layout));
}

void parseBarcode(const QByteArray& content, PrintLayout& layout) {
    const auto b = numbers(content.split('\n').constFirst(), 4);
    if (!b)
        return;
    const QRectF twips((*b)[1], (*b)[0], (*b)[3], (*b)[2]);
    if (PrintLayout::boxInReach(twips.left(), twips.top()) && twips.width() > 0 && twips.height() > 0 &&
        twips.width() <= PrintLayout::kPageReach && twips.height() <= PrintLayout::kPageReach)
        layout.setBoxGeometry(PrintLayout::kBarcodeBox, twips);
}

QByteArray formatBarcode(const PrintLayout& layout) {
    const QRectF b = layout.box(PrintLayout::kBarcodeBox).twips;
    return formatLine({b.top(), b.left(), b.height(), b.width()}).toLatin1();
}

void readBarcode(const QString& path, PrintLayout& layout) {
    readInto(path, layout, parseBarcode);
}

bool writeBarcode(const QString& path, const PrintLayout& layout) {
    return save(path, formatBarcode(layout));
}

} // namespace printing::satir
