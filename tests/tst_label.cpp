// The device label: its barcode scanned back from the PDF as a scanner would read the paper, its
// lines kept inside the label, and the label window printing the shown record to a real queue. The
// service form's barcode box, placed in the layout window beside the files it has always had.
#include "Etiket.h"
#include "LabelPage.h"
#include "LayoutWindow.h"
#include "PrivateCups.h"
#include "RegString.h"
#include "SatirFile.h"
#include "Settings.h"
#include "print/Printers.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestLabel : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    PrivateCups cups_;
    QString cupsFailed_;

    QString writeLabel(const printing::LabelFields& fields, const QSizeF& mm) {
        const QString pdf = dir.filePath(QStringLiteral("label.pdf"));
        QPdfWriter writer(pdf);
        writer.setPageSize(QPageSize(mm, QPageSize::Millimeter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(1440);
        QPainter painter(&writer);
        printing::LabelPage::paint(painter, fields, mm);
        return pdf;
    }
    static QString scan(const QString& pdf, const QString& png) {
        run(QStringLiteral("pdftoppm"), {"-r", "300", "-png", "-singlefile", pdf, png});
        return run(QStringLiteral("zbarimg"), {"--raw", "-q", png + QStringLiteral(".png")});
    }
    static QString run(const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, args);
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

private Q_SLOTS:
    void initTestCase() {
        for (const char* tool : {"zbarimg", "pdftoppm", "pdftotext"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
        cupsFailed_ = cups_.start();
        if (cupsFailed_.isEmpty()) {
            QVERIFY(cups_.addQueue(QStringLiteral("Etiket")));
            QVERIFY(cups_.addQueue(QStringLiteral("Form")));
            QTRY_COMPARE(print::installedPrinters().size(), 2);
        }
    }

    void barcodeReadsBackAsTheCode_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("complaint");
        QTest::addColumn<QSizeF>("mm");
        const QString longComplaint =
            QStringLiteral("Açılmıyor, şarj olmuyor; ekranı kırık. ").repeated(6).left(200);
        QTest::newRow("62x29") << "01-0001-01"
                               << "Ali'nin Dükkanı"
                               << "Açılmıyor" << QSizeF(62, 29);
        QTest::newRow("50x25 long complaint") << "99-9999-99"
                                              << "Çağrı Şükrü Işık İğdeli" << longComplaint << QSizeF(50, 25);
        QTest::newRow("custom 100x50") << "12-0345-07"
                                       << "ŞEN ÖĞÜT" << longComplaint << QSizeF(100, 50);
    }
    void barcodeReadsBackAsTheCode() {
        QFETCH(QString, code);
        QFETCH(QString, title);
        QFETCH(QString, complaint);
        QFETCH(QSizeF, mm);
        const printing::LabelFields fields{code,      title,        "0532 123 45 67", "Dizüstü Lenovo T480",
                                           "PF-1A2B", "08.12.2026", complaint};
        const QString pdf = writeLabel(fields, mm);
        QCOMPARE(scan(pdf, dir.filePath("label")), code);

        const QString text = run(QStringLiteral("pdftotext"), {"-layout", pdf, "-"});
        QVERIFY2(text.contains(code), qPrintable(text));
        QVERIFY2(text.contains(title.left(10)), qPrintable(text));
        // Every line stays inside the label: a long one is shortened, never run off the edge.
        const QStringList lines = printing::LabelPage::lines(fields, mm);
        QVERIFY(lines.size() >= 3);
        for (const QString& line : lines)
            QVERIFY2(!line.contains(u'\n'), qPrintable(line));
        if (complaint.size() > 100)
            QVERIFY2(lines.last().endsWith(QChar(0x2026)) || !lines.join(u'|').contains(complaint.left(60)),
                     qPrintable(lines.join(u'|')));
    }

    void labelWindowPrintsTheShownRecord() {
        if (!cupsFailed_.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no private CUPS daemon: ") + cupsFailed_));
        ServisFixture f;
        QVariantMap second = record("01-0002-01", "Çağrı Şükrü Işık");
        second["Telefon"] = "05321234567";
        second["Sistem"] = "Yazıcı";
        second["MarkaModel"] = "HP 1020";
        f.addRecord(record("01-0001-01", "Ali'nin Dükkanı"));
        f.addRecord(second);
        settings::setPrn(QStringLiteral("Form"));
        f.open();
        f.click("Data1_Next");

        // While a record is being typed its code is not yet a record's: no label.
        f.click("cmdAdd");
        f.window().findChild<QAction*>("EtiketYazdir")->trigger();
        QVERIFY(!f.window().findChild<printing::Etiket*>());
        QCOMPARE(f.dialogs.shown.size(), 1);
        f.click("Evet_Hayir_1");
        QCOMPARE(f.code(), QStringLiteral("01-0002-01"));

        f.window().findChild<QAction*>("EtiketYazdir")->trigger();
        auto* label = f.window().findChild<printing::Etiket*>();
        QVERIFY(label);
        // The form's printer is not the label's: nothing was remembered, the first queue stands.
        auto* printer = label->findChild<QComboBox*>("EtiketYazici");
        printer->setCurrentIndex(printer->findText(QStringLiteral("Etiket")));
        label->findChild<QComboBox*>("EtiketBoyu")->setCurrentIndex(1);
        label->findChild<QSpinBox*>("Adet")->setValue(2);
        QTest::mouseClick(label->findChild<QPushButton*>("Yazdir"), Qt::LeftButton);
        const QString text = cups_.waitForText(QStringLiteral("Etiket"));
        QVERIFY2(text.contains(QStringLiteral("01-0002-01")) &&
                     text.contains(QStringLiteral("Çağrı Şükrü Işık")) &&
                     text.contains(QStringLiteral("Yazıcı HP 1020")),
                 qPrintable(text));
        QCOMPARE(text.count(QStringLiteral("Çağrı Şükrü Işık")), 2);
        QCOMPARE(scan(cups_.outputOf(QStringLiteral("Etiket")), dir.filePath("printed")),
                 QStringLiteral("01-0002-01"));
        QCOMPARE(settings::etiketYazici(), QStringLiteral("Etiket"));
        QCOMPARE(settings::etiketBoyu(), QSizeF(50, 25));
        QCOMPARE(settings::prn(), QStringLiteral("Form"));
        QVERIFY(!QFileInfo::exists(cups_.outputOf(QStringLiteral("Form"))));
    }

    // Chosen and moved like any box, printed so that a scanner reads the record code; the layout
    // file and the 18-character selection stay byte for byte as they were.
    void serviceFormBarcodeBox() {
        ServisFixture f;
        f.addRecord(record("01-0001-01", "Ali'nin Dükkanı"));
        printing::PrintLayout stored;
        stored.setWindow(QRectF(120, 90, 9000, 8000));
        stored.moveBox(4, 1000, 2000);
        const QString satir = f.db.dir() + QStringLiteral("/Satir.dat");
        QVERIFY(printing::satir::write(satir, stored));
        const QByteArray satirBefore = readAll(satir);
        RegWriteString(registry::currentUser(), settings::kKey, QStringLiteral("Secim"),
                       QStringLiteral("0011"));

        printing::Form1* w = openLayout(f);
        auto* item = w->findChild<QAction*>("MnSec_18");
        QCOMPARE(item->text(), QStringLiteral("Barkod"));
        QVERIFY(!item->isChecked());
        QVERIFY(w->page().barcodes.isEmpty());
        item->trigger();
        trigger(w, QStringLiteral("Mnu_0"));
        auto* box = w->findChild<QWidget*>(QStringLiteral("FatText_18"));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::ControlModifier);
        press.setTimestamp(1);
        QApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Down, Qt::ControlModifier);
        release.setTimestamp(2);
        QApplication::sendEvent(box, &release);
        trigger(w, QStringLiteral("Mnu_0"));
        const QRectF placed = w->layout().box(printing::PrintLayout::kBarcodeBox).twips;
        QCOMPARE(placed.top(),
                 printing::PrintLayout().box(printing::PrintLayout::kBarcodeBox).twips.top() + 15);
        QCOMPARE(w->page().barcodes.size(), 1);
        QVERIFY(placed.contains(w->page().barcodes[0].twips));

        const QString pdf = dir.filePath(QStringLiteral("form.pdf"));
        f.dialogs.fileNames << pdf;
        trigger(w, QStringLiteral("PdfKaydet"));
        QCOMPARE(scan(pdf, dir.filePath("form")), QStringLiteral("01-0001-01"));
        w->close();

        QCOMPARE(readAll(satir), satirBefore);
        QCOMPARE(RegReadString(registry::currentUser(), settings::kKey, QStringLiteral("Secim")),
                 QStringLiteral("0011"));
        QVERIFY(settings::barkod());
        QCOMPARE(readAll(f.db.dir() + QStringLiteral("/Barkod.dat")), QByteArray("5535,210,1080,3000\r\n"));
        w = openLayout(f);
        QVERIFY(w->findChild<QAction*>("MnSec_18")->isChecked());
        QCOMPARE(w->layout().box(printing::PrintLayout::kBarcodeBox).twips, placed);
        w->close();
    }

private:
    static QByteArray readAll(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }
};

QTEST_MAIN(TestLabel)
#include "tst_label.moc"
