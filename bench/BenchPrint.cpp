// The printed service form: composing and painting the page of a record with every field
// selected, headings on and full long texts, and writing it as a PDF.
#include "Bench.h"

#include "Form1.h"
#include "PageRenderer.h"
#include "Settings.h"
#include "WindowDriver.h"
#include "print/Printers.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>

namespace {

constexpr int kManyItems = 200;

// The long fields filled to what they hold: one wrapped text, one written line by line.
void fillLongTexts(frmServis& w) {
    const QString words = QStringLiteral("Kağıt sıkışıyor, merdane aşınmış; ısıtıcı ünitesi değişmeli. ");
    w.setText1(14, words.repeated(4).left(200));
    QStringList lines;
    for (int i = 1; i <= 12; ++i)
        lines << QStringLiteral("%1. adım tamamlandı").arg(i);
    w.setText1(15, lines.join(QStringLiteral("\r\n")).left(200));
    w.setText1(16, words.repeated(4).left(200));
}

printing::Form1* openLayout(WindowDriver& d) {
    std::array<bool, settings::kSecimCount> all;
    all.fill(true);
    settings::setSecim(all);
    settings::setBaslik(true);
    fillLongTexts(d.window());
    d.click(QStringLiteral("cmdYazici"));
    settle();
    auto* layout = d.window().findChild<printing::Form1*>();
    require(layout != nullptr, QStringLiteral("print: the layout window did not open"));
    return layout;
}

} // namespace

double Bench::rawFormRead() {
    RawQuery row(*servis_, "SELECT * FROM Servis WHERE ID = ?");
    RawQuery items(*stok_, "SELECT StokAd FROM StokHareket WHERE KayitNo = ? ORDER BY ID");
    return medianOf(repeat_, [&](int) {
        return elapsedMs([&] {
            row.bind(1, facts_.firstId);
            row.step();
            row.readRow();
            row.reset();
            items.bind(1, facts_.firstCode.toStdString());
            items.rows();
        });
    });
}

// Composing the page from the service window's controls and painting it as a window frame.
Result Bench::drawPage(const QString& name, int addedItems) {
    Result r{.name = name, .target = {.maxMs = 16}};
    if (addedItems > 0) {
        RawQuery add(*stok_,
                     "INSERT INTO StokHareket (StokHarKod, Tarih, StokAd, KayitNo) VALUES (?, ?, ?, ?)");
        for (int i = 0; i < addedItems; ++i) {
            const std::string item = "Yedek parça " + std::to_string(i + 1);
            add.bind(1, "B-" + std::to_string(i)).bind(2, std::string_view("2026-03-04")).bind(3, item);
            add.bind(4, facts_.firstCode.toStdString()).run();
        }
    }
    r.rawMs = rawFormRead();
    WindowDriver d;
    const int items = d.gridRows();
    printing::Form1* layout = openLayout(d);
    QImage frame(layout->centralWidget()->size(), QImage::Format_RGB32);
    r.oursMs = medianOf(repeat_, [&](int) {
        return elapsedMs([&] {
            layout->DrawServiceForm();
            frame.fill(Qt::white);
            QPainter painter(&frame);
            layout->paintPage(painter);
        });
    });
    // 14 single-line fields of three texts each, the four headings, and at least a line per item.
    require(layout->page().texts.size() >= 14 * 3 + 4 + items && items >= addedItems,
            QStringLiteral("%1: %2 texts drawn for %3 items")
                .arg(name)
                .arg(layout->page().texts.size())
                .arg(items));
    layout->close();
    settle();
    return r;
}

Result Bench::pdfPage() {
    Result r{.name = QStringLiteral("print_pdf"), .target = {}};
    r.rawMs = rawFormRead();
    WindowDriver d;
    printing::Form1* layout = openLayout(d);
    const QString pdf = run_.filePath(QStringLiteral("form.pdf"));
    r.oursMs = medianOf(repeat_, [&](int) {
        return elapsedMs([&] {
            layout->DrawServiceForm();
            const QString failed = print::writePdf(pdf, [&](QPainter& p) { layout->paintPage(p); });
            require(failed.isEmpty(), QStringLiteral("print_pdf: ") + failed);
        });
    });
    require(QFileInfo(pdf).size() > 0, QStringLiteral("print_pdf: no file"));
    layout->close();
    settle();
    return r;
}
