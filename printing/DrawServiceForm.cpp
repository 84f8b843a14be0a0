#include "DrawServiceForm.h"

#include "PageRenderer.h"
#include "PrintLayout.h"
#include "ServiceFormSource.h"

#include <QFontMetricsF>
#include <optional>

namespace printing {

namespace {

constexpr double kColonColumn = 1650;

struct Heading {
    int box;
    const char* text;
    bool colonColumn;
};

// The single-line fields in the order they are drawn.
constexpr Heading kSingleLine[] = {
    {17, "Kayıt No", true},     {0, "Tarih : ", false},      {1, "Saat : ", false}, {2, "Ünvan", true},
    {3, "Adres", true},         {4, "Adres", true},          {5, "Şehir", true},    {6, "Telefon", true},
    {7, "Vergi Dairesi", true}, {8, "Vergi Numarası", true}, {9, "Sistem", true},   {10, "Marka Model", true},
    {11, "Seri No", true},      {12, "Teknisyen", true},
};

// The drawing position on the page and the emphasis in use.
class Pen {
public:
    explicit Pen(ServicePage& page)
        : page_(page)
        , metrics_{QFontMetricsF(PageRenderer::font(false)), QFontMetricsF(PageRenderer::font(true))} {}

    double x = 0;
    double y = 0;
    bool bold = false;

    void write(const QString& text) {
        page_.texts.push_back({x, y, text, bold});
        x += metrics_[bold].horizontalAdvance(text);
    }
    void writeLine(const QString& text) {
        page_.texts.push_back({x, y, text, bold});
        x = 0;
        y += metrics_[bold].height();
    }

    const QFontMetricsF& metrics() const { return metrics_[bold]; }

private:
    ServicePage& page_;
    QFontMetricsF metrics_[2];
};

void drawLongField(PrintLayout& layout, const ServiceFormSource& source, int box, Pen& pen) {
    QString t = source.formText(box);
    const QRectF at = layout.box(box).twips;
    pen.x = at.left();
    pen.y = at.top();
    if (layout.headings()) {
        pen.bold = true;
        pen.writeLine(source.formCaption(box) + QStringLiteral(" :"));
        pen.bold = false;
    }
    layout.setBoxText(box, t);
    t.remove(QLatin1Char('\r'));
    // A single line break at the very end is no line break.
    if (t.isEmpty() || t.indexOf(QLatin1Char('\n')) == t.size() - 1)
        t.remove(QLatin1Char('\n'));
    if (t.isEmpty())
        return;
    if (t.endsWith(QLatin1Char('\n')))
        t.chop(1);
    // Measured in the font the page is printed with, so that no line runs past its box.
    for (const QString& line : PageRenderer::wrap(t, at.width(), pen.metrics())) {
        pen.x = at.left();
        pen.writeLine(line);
    }
}

// The record code's bars fill the box, with the code under them where the box has room for a line
// and bars as high again; without a record nothing is drawn.
void drawBarcode(PrintLayout& layout, const QString& code, Pen& pen, ServicePage& page) {
    const int index = PrintLayout::kBarcodeBox;
    layout.setBoxText(index, code);
    const std::optional<Barcode> barcode = Barcode::code128(code.trimmed());
    if (!barcode)
        return;
    QRectF bars = layout.box(index).twips;
    pen.bold = false;
    const double line = pen.metrics().height();
    if (bars.height() >= 2 * line) {
        bars.setHeight(bars.height() - line);
        pen.x = bars.center().x() - pen.metrics().horizontalAdvance(code.trimmed()) / 2;
        pen.y = bars.bottom();
        pen.writeLine(code.trimmed());
    }
    page.barcodes.push_back({bars, *barcode});
}

} // namespace

ServicePage DrawServiceForm(PrintLayout& layout, const ServiceFormSource& source) {
    ServicePage page;
    Pen pen(page);
    for (const Heading& h : kSingleLine) {
        if (!layout.boxSelected(h.box))
            continue;
        layout.setBoxText(h.box, source.formText(h.box));
        pen.x = layout.box(h.box).twips.left();
        pen.y = layout.box(h.box).twips.top();
        if (layout.headings()) {
            pen.write(QString::fromUtf8(h.text));
            if (h.colonColumn) {
                pen.x = kColonColumn;
                pen.write(QStringLiteral(" : "));
            }
        }
        pen.writeLine(layout.box(h.box).text);
    }
    for (int box = 13; box <= 16; ++box) {
        if (layout.boxSelected(box))
            drawLongField(layout, source, box, pen);
    }
    if (layout.boxSelected(PrintLayout::kBarcodeBox))
        drawBarcode(layout, source.formText(17), pen, page);
    return page;
}

} // namespace printing
