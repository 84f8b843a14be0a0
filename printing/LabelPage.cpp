#include "LabelPage.h"

#include "Barcode.h"
#include "PageRenderer.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>

namespace printing {

namespace {

constexpr double kTwipsPerMm = 1440 / 25.4;
constexpr double kMargin = 85;        // 1.5 mm
constexpr double kLargestText = 180;  // 9 points
constexpr double kSmallestText = 110; // 5.5 points: still read at arm's length
constexpr double kLineSpacing = 1.15;

// Where the parts of a label lie, in twips.
struct LabelGeometry {
    QRectF barcode;
    QRectF code;     // the code's digits under the bars
    QRectF text;     // the lines below
    double textSize; // pixel size of the lines' font, in twips
    int lineCount;   // how many lines fit

    LabelGeometry(const QSizeF& sizeMm, int wanted) {
        const double width = sizeMm.width() * kTwipsPerMm - 2 * kMargin;
        const double height = sizeMm.height() * kTwipsPerMm - 2 * kMargin;
        barcode = QRectF(kMargin, kMargin, width, height * 0.38);
        const double codeSize = std::clamp(height * 0.11, kSmallestText, kLargestText);
        code = QRectF(kMargin, barcode.bottom(), width, codeSize * kLineSpacing);
        text =
            QRectF(kMargin, code.bottom(), width, std::max(0.0, height - barcode.height() - code.height()));
        textSize =
            std::clamp(text.height() / std::max(1, wanted) / kLineSpacing, kSmallestText, kLargestText);
        lineCount = std::min(wanted, static_cast<int>(text.height() / (textSize * kLineSpacing)));
    }
};

QFont labelFont(double pixelSize, bool bold) {
    QFont f = PageRenderer::font(bold);
    f.setPixelSize(std::max(1, static_cast<int>(pixelSize)));
    return f;
}

QStringList wantedLines(const LabelFields& f) {
    QStringList out;
    const QString serial =
        f.serial.trimmed().isEmpty() ? QString() : QStringLiteral("S/N: ") + f.serial.trimmed();
    for (const QString& line :
         {f.title, f.telephone, f.device, QStringList{serial, f.date.trimmed()}.join(u"  ").trimmed(),
          f.complaint.section(u'\n', 0, 0)}) {
        const QString clean = line.simplified();
        if (!clean.isEmpty())
            out << clean;
    }
    return out;
}

} // namespace

QStringList LabelPage::lines(const LabelFields& fields, const QSizeF& sizeMm) {
    const QStringList wanted = wantedLines(fields);
    const LabelGeometry g(sizeMm, static_cast<int>(wanted.size()));
    QStringList out;
    for (int i = 0; i < g.lineCount; ++i) {
        const QFontMetricsF metrics(labelFont(g.textSize, i == 0));
        out << metrics.elidedText(wanted[i], Qt::ElideRight, g.text.width());
    }
    return out;
}

void LabelPage::paint(QPainter& painter, const LabelFields& fields, const QSizeF& sizeMm) {
    const QStringList text = lines(fields, sizeMm);
    const LabelGeometry g(sizeMm, static_cast<int>(wantedLines(fields).size()));
    painter.save();
    const QPaintDevice* d = painter.device();
    painter.scale(d->logicalDpiX() / 1440.0, d->logicalDpiY() / 1440.0);
    painter.setPen(Qt::black);
    if (const auto bars = Barcode::code128(fields.code)) {
        bars->paint(painter, g.barcode);
        painter.setFont(labelFont(g.code.height() / kLineSpacing, true));
        painter.drawText(g.code, Qt::AlignHCenter | Qt::AlignTop, fields.code);
    }
    double y = g.text.top();
    for (int i = 0; i < text.size(); ++i) {
        const QFont font = labelFont(g.textSize, i == 0);
        painter.setFont(font);
        painter.drawText(QPointF(g.text.left(), y + QFontMetricsF(font).ascent()), text[i]);
        y += g.textSize * kLineSpacing;
    }
    painter.restore();
}

} // namespace printing
