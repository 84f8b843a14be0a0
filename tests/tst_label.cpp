// The device label: its barcode scanned back from the PDF as a scanner would read the paper, and
// its lines kept inside the label.
#include "LabelPage.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class TestLabel : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

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
        run(QStringLiteral("pdftoppm"), {"-r", "300", "-png", "-singlefile", pdf, dir.filePath("label")});
        QCOMPARE(run(QStringLiteral("zbarimg"), {"--raw", "-q", dir.filePath("label.png")}), code);

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
};

QTEST_MAIN(TestLabel)
#include "tst_label.moc"
