// The print layout window through the service window: the drawn page, the layout file, the field
// selection, nudging and the sizing handles.
#include "FullDisk.h"
#include "LayoutWindow.h"
#include "PageRenderer.h"
#include "RegString.h"
#include "SatirFile.h"
#include "Settings.h"

#include <QFile>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>

using printing::Form1;
using printing::PrintLayout;

namespace {

void writeSecim(const QString& raw) {
    RegWriteString(registry::currentUser(), settings::kKey, QStringLiteral("Secim"), raw);
}

// Each drawn text as "text@x,y"; "@+" when it follows the previous text on its line, "@x,next"
// when it starts the line below, "*" before an emphasised text.
QStringList describe(const printing::ServicePage& page) {
    const QFontMetricsF m[] = {QFontMetricsF(printing::PageRenderer::font(false)),
                               QFontMetricsF(printing::PageRenderer::font(true))};
    QStringList out;
    for (int i = 0; i < page.texts.size(); ++i) {
        const auto& t = page.texts[i];
        QString at = QStringLiteral("%1,%2").arg(qRound(t.x)).arg(qRound(t.y));
        if (i > 0) {
            const auto& p = page.texts[i - 1];
            if (qFuzzyCompare(p.y, t.y) && qAbs(p.x + m[p.bold].horizontalAdvance(p.text) - t.x) < 0.01)
                at = QStringLiteral("+");
            else if (qAbs(p.y + m[p.bold].height() - t.y) < 0.01)
                at = QStringLiteral("%1,next").arg(qRound(t.x));
        }
        out << (t.bold ? QStringLiteral("*") : QString()) + t.text + QLatin1Char('@') + at;
    }
    return out;
}

void key(QWidget* w, QEvent::Type type, int k, bool autoRepeat) {
    QKeyEvent e(type, k, Qt::ControlModifier, QString(), autoRepeat);
    QApplication::sendEvent(w, &e);
}

void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A record shown in the service window and its layout window in adjust mode.
Form1* openAdjusting(ServisFixture& f) {
    f.addRecord(record(QStringLiteral("01-0001-01"), QStringLiteral("Ünal Ltd.")));
    Form1* w = openLayout(f);
    trigger(w, QStringLiteral("Mnu_0"));
    return w;
}

} // namespace

class TestPrintLayout : public QObject {
    Q_OBJECT

private slots:
    void page_data();
    void page();
    void longTextWrappedByMeasuredWidth();
    void layoutFileRoundTrip();
    void shortAndMalformedLayoutFile();
    void failedLayoutWriteKeepsTheFile();
    void selectionShorterThan18AndKayitNo();
    void adjustModeAndSwitchingOff();
    void nudge_data();
    void nudge();
    void handles_data();
    void handles();
};

void TestPrintLayout::page_data() {
    QTest::addColumn<QString>("secim");
    QTest::addColumn<QString>("baslik");
    QTest::addColumn<int>("movedBox");
    QTest::addColumn<double>("movedLeft");
    QTest::addColumn<QString>("complaint");
    QTest::addColumn<QStringList>("expected");

    const QString none;
    const QString unvan = QStringLiteral("Ali'nin Dükkanı");
    QTest::newRow("nothing selected, headings on") << ""
                                                   << "True" << -1 << 0.0 << none << QStringList{};
    QTest::newRow("eighteen zeros") << "000000000000000000"
                                    << "True" << -1 << 0.0 << none << QStringList{};
    QTest::newRow("heading, colon column")
        << "0001"
        << "True" << -1 << 0.0 << none << QStringList{"Ünvan@210,840", " : @1650,840", unvan + "@+"};
    QTest::newRow("box right of the colon column")
        << "0001"
        << "True" << 2 << 3000.0 << none << QStringList{"Ünvan@3000,840", " : @1650,840", unvan + "@+"};
    QTest::newRow("headings off") << "0001"
                                  << "False" << -1 << 0.0 << none << QStringList{unvan + "@210,840"};
    QTest::newRow("Tarih without colon column")
        << "1"
        << "True" << -1 << 0.0 << none << QStringList{"Tarih : @6240,360", "04.03.2026@+"};
    QTest::newRow("Saat without colon column")
        << "01"
        << "True" << -1 << 0.0 << none << QStringList{"Saat : @8250,360", "09:15@+"};
    QTest::newRow("Kayıt No first, then Tarih")
        << "101"
        << "False" << -1 << 0.0 << none << QStringList{"01-0001-01@210,420", "04.03.2026@6240,360"};
    QTest::newRow("single trailing line break removed") << "000000000000001"
                                                        << "False" << -1 << 0.0 << "Kısa\r\n"
                                                        << QStringList{"Kısa@4830,840"};
    QTest::newRow("two words on two lines, never wrapped")
        << "000000000000001"
        << "False" << 13 << 9000.0 << "Bir\r\nİki" << QStringList{"Bir@9000,840", "İki@9000,next"};
    QTest::newRow("long field heading emphasised")
        << "000000000000001"
        << "True" << -1 << 0.0 << "Bir\r\nİki"
        << QStringList{"*Başvuru Sebebi :@4830,840", "Bir@4830,next", "İki@4830,next"};
    QTest::newRow("used items one per line, grid order")
        << "00000000000000001"
        << "False" << -1 << 0.0 << none << QStringList{"Toner@4830,3840", "Merdane@4830,next"};
}

void TestPrintLayout::page() {
    QFETCH(QString, secim);
    QFETCH(QString, baslik);
    QFETCH(int, movedBox);
    QFETCH(double, movedLeft);
    QFETCH(QString, complaint);
    QFETCH(QStringList, expected);

    ServisFixture f;
    QVariantMap r = record(QStringLiteral("01-0001-01"), QStringLiteral("Ali'nin Dükkanı"));
    if (!complaint.isNull())
        r[QStringLiteral("BasvuruSebebi")] = complaint;
    f.addRecord(r);
    f.addUsedItem(QStringLiteral("01-0001-01"), QStringLiteral("Toner"));
    f.addUsedItem(QStringLiteral("01-0001-01"), QStringLiteral("Merdane"));
    writeSecim(secim);
    RegWriteString(registry::currentUser(), settings::kKey, QStringLiteral("Baslik"), baslik);
    if (movedBox >= 0) {
        PrintLayout layout;
        layout.moveBox(movedBox, movedLeft, layout.box(movedBox).twips.top());
        printing::satir::write(f.db.dir() + QStringLiteral("/Satir.dat"), layout);
    }
    Form1* w = openLayout(f);
    QCOMPARE(describe(w->page()), expected);
    w->close();
}

void TestPrintLayout::longTextWrappedByMeasuredWidth() {
    ServisFixture f;
    QVariantMap r = record(QStringLiteral("01-0001-01"), QStringLiteral("Ünal Ltd."));
    const QString text = QStringLiteral("Şişe kapağı ığdır çöğüş İİİ ").repeated(12).trimmed();
    r[QStringLiteral("BasvuruSebebi")] = text;
    f.addRecord(r);
    writeSecim(QStringLiteral("000000000000001"));
    Form1* w = openLayout(f);
    const double limit = w->layout().box(13).twips.width();
    const auto& texts = w->page().texts;
    QVERIFY(texts.size() > 2);
    QString joined;
    for (int i = 0; i < texts.size(); ++i) {
        const QString piece = texts[i].text;
        joined += piece;
        QCOMPARE(texts[i].x, 4830.0);
        if (i + 1 < texts.size()) {
            // The shortest beginning reaching the box width, measured in the service window's font.
            QVERIFY(f.window().formTextWidth(piece) >= limit);
            QVERIFY(f.window().formTextWidth(piece.chopped(1)) < limit);
        } else {
            QVERIFY(f.window().formTextWidth(piece) <= limit);
        }
    }
    QCOMPARE(joined, f.box(14)); // as the box holds it
    QCOMPARE(w->layout().box(13).text, joined);
}

void TestPrintLayout::layoutFileRoundTrip() {
    ServisFixture f;
    f.addRecord(record(QStringLiteral("01-0001-01"), QStringLiteral("Ünal Ltd.")));
    QByteArray content = "1200.5,900,7410,9780.25\r\n";
    for (int box = 0; box < PrintLayout::kBoxes; ++box)
        content += QByteArray::number(300 + box * 240) + (box % 2 ? ".5," : ",") +
                   (box == 5 ? QByteArray("-15") : QByteArray::number(210 + box * 7.25)) + "\r\n";
    QFile file(f.db.dir() + QStringLiteral("/Satir.dat"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    Form1* w = openLayout(f);
    QCOMPARE(w->layout().box(3).twips.topLeft(), QPointF(210 + 3 * 7.25, 300 + 3 * 240 + 0.5));
    QCOMPARE(w->layout().box(5).twips.left(), -15.0);
    w->close();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), content);
    QVERIFY(f.window().centralWidget()->isEnabled());
}

void TestPrintLayout::shortAndMalformedLayoutFile() {
    ServisFixture f;
    f.addRecord(record(QStringLiteral("01-0001-01"), QStringLiteral("Ünal Ltd.")));
    QFile file(f.db.dir() + QStringLiteral("/Satir.dat"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("1200,900,7410,9780\r\n500,100\r\nabc,def\r\n700,300\r\n");
    file.close();
    Form1* w = openLayout(f);
    QCOMPARE(w->layout().box(0).twips.topLeft(), QPointF(100, 500));
    QCOMPARE(w->layout().box(1).twips.topLeft(), QPointF(100, 500)); // the malformed line is skipped
    for (int box = 2; box < PrintLayout::kBoxes; ++box)
        QCOMPARE(w->layout().box(box).twips.topLeft(), QPointF(300, 700));
    QCOMPARE(w->layout().box(13).twips.width(), 4575.0); // sizes stay as designed
    w->close();
}

void TestPrintLayout::failedLayoutWriteKeepsTheFile() {
    ServisFixture f;
    PrintLayout stored;
    stored.moveBox(4, 1000, 2000);
    const QString path = f.db.dir() + QStringLiteral("/Satir.dat");
    QVERIFY(printing::satir::write(path, stored));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    Form1* w = openAdjusting(f);
    auto* box = w->findChild<QWidget*>(QStringLiteral("FatText_4"));
    key(box, QEvent::KeyPress, Qt::Key_Down, false);
    key(box, QEvent::KeyRelease, Qt::Key_Down, false);
    {
        const FullDisk fillsUpPartWay(64);
        w->close();
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
}

void TestPrintLayout::selectionShorterThan18AndKayitNo() {
    ServisFixture f;
    f.addRecord(record(QStringLiteral("01-0001-01"), QStringLiteral("Ünal Ltd.")));
    writeSecim(QStringLiteral("0011"));
    Form1* w = openLayout(f);
    for (int k = 0; k < PrintLayout::kBoxes; ++k)
        QCOMPARE(w->findChild<QAction*>(QStringLiteral("MnSec_%1").arg(k))->isChecked(), k == 2 || k == 3);
    QCOMPARE(describe(w->page()), (QStringList{"01-0001-01@210,420", "Ünal Ltd.@210,840"}));

    trigger(w, QStringLiteral("MnSec_2"));
    QCOMPARE(settings::secim()[2], false);
    QCOMPARE(RegReadString(registry::currentUser(), settings::kKey, QStringLiteral("Secim")),
             QStringLiteral("000100000000000000"));
    QCOMPARE(describe(w->page()), QStringList{"Ünal Ltd.@210,840"});
    QCOMPARE(w->findChild<QAction*>(QStringLiteral("MnSec_2"))->text(), QStringLiteral("Kayıt No"));
    w->close();
}

void TestPrintLayout::adjustModeAndSwitchingOff() {
    ServisFixture f;
    f.addRecord(record(QStringLiteral("01-0001-01"), QStringLiteral("Ünal Ltd.")));
    writeSecim(QStringLiteral("1"));
    Form1* w = openLayout(f);
    QVERIFY(!f.window().centralWidget()->isEnabled());
    auto* baslik = w->findChild<QAction*>(QStringLiteral("Baslik"));
    auto* box = w->findChild<QWidget*>(QStringLiteral("FatText_0"));
    QCOMPARE(w->page().texts.size(), 1);
    QVERIFY(!box->isVisible());

    QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(w->adjusting());
    QVERIFY(w->page().texts.isEmpty());
    QVERIFY(!baslik->isEnabled());
    QVERIFY(box->isVisible());
    QVERIFY(w->findChild<QAction*>(QStringLiteral("Fatpop_0"))->isChecked());
    QCOMPARE(box->palette().color(QPalette::Base), QColor(0x00, 0xFF, 0xFF));
    box->setFocus();
    QCOMPARE(box->palette().color(QPalette::Base), QColor(0xFF, 0x80, 0x80));
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), w->findChild<QWidget*>(QStringLiteral("FatText_1")));
    QCOMPARE(box->palette().color(QPalette::Base), QColor(0x00, 0xFF, 0xFF));

    trigger(w, QStringLiteral("Fatpop_0"));
    QVERIFY(!w->adjusting());
    QVERIFY(baslik->isEnabled());
    QCOMPARE(w->page().texts.size(), 1);
    QTest::keyClick(w, Qt::Key_K, Qt::ControlModifier);
    QTRY_VERIFY(f.window().centralWidget()->isEnabled());
}

void TestPrintLayout::nudge_data() {
    QTest::addColumn<int>("arrow");
    QTest::addColumn<QString>("keys"); // P/R press/release, p/r repeated ones
    QTest::addColumn<QPointF>("moved");
    QTest::newRow("pressed three times") << int(Qt::Key_Right) << "PRPRPR" << QPointF(45, 0);
    QTest::newRow("held down") << int(Qt::Key_Right) << "PrprpR" << QPointF(15, 0);
    QTest::newRow("up") << int(Qt::Key_Up) << "PR" << QPointF(0, -15);
    QTest::newRow("left held") << int(Qt::Key_Left) << "PrpR" << QPointF(-15, 0);
    QTest::newRow("down twice") << int(Qt::Key_Down) << "PRPR" << QPointF(0, 30);
}

void TestPrintLayout::nudge() {
    QFETCH(int, arrow);
    QFETCH(QString, keys);
    QFETCH(QPointF, moved);
    ServisFixture f;
    Form1* w = openAdjusting(f);
    auto* box = w->findChild<QWidget*>(QStringLiteral("FatText_2"));
    const QPointF start = w->layout().box(2).twips.topLeft();
    for (QChar c : keys) {
        const bool repeat = c.isLower();
        key(box, c.toUpper() == 'P' ? QEvent::KeyPress : QEvent::KeyRelease, arrow, repeat);
    }
    QCOMPARE(w->layout().box(2).twips.topLeft(), start + moved);
    w->close();
}

void TestPrintLayout::handles_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QRectF>("change"); // of left, top, width, height
    const int left = Qt::LeftButton;
    QTest::newRow("4 grows") << 4 << left << QRectF(0, 0, 150, 90);
    QTest::newRow("0 moves the top-left corner") << 0 << left << QRectF(150, 90, -150, -90);
    QTest::newRow("8 keeps the size") << 8 << left << QRectF(150, 90, 0, 0);
    QTest::newRow("7 left edge") << 7 << left << QRectF(150, 0, -150, 0);
    QTest::newRow("1 top edge") << 1 << left << QRectF(0, 90, 0, -90);
    QTest::newRow("right button") << 4 << int(Qt::RightButton) << QRectF();
    QTest::newRow("both buttons") << 4 << int(Qt::LeftButton | Qt::RightButton) << QRectF();
    QTest::newRow("index 9") << 9 << left << QRectF();
}

void TestPrintLayout::handles() {
    QFETCH(int, index);
    QFETCH(int, buttons);
    QFETCH(QRectF, change);
    ServisFixture f;
    Form1* w = openAdjusting(f);
    auto* box = w->findChild<QWidget*>(QStringLiteral("FatText_14"));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(w->resizer().SizedControl, box);
    const QRectF before = w->layout().box(14).twips;
    QCOMPARE(w->unitGeometry(w->handle(4)).topLeft(), before.bottomRight());

    // 150 by 90 twips are 10 by 6 pixels at 96 dots per inch; the same move twice counts once.
    const QPoint grab(3, 3), to(13, 9);
    if (QWidget* h = w->handle(index)) {
        mouse(h, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
        for (int twice = 0; twice < 2; ++twice)
            mouse(h, QEvent::MouseMove, to, Qt::NoButton, Qt::MouseButtons(buttons));
    } else {
        w->resizer().GrabHandle(45, 45);
        w->resizer().DragHandle(index, Qt::LeftButton, {}, 195, 135, *w);
    }
    const QRectF after = w->layout().box(14).twips;
    QCOMPARE(after, QRectF(before.left() + change.left(), before.top() + change.top(),
                           before.width() + change.width(), before.height() + change.height()));
    QCOMPARE(w->unitGeometry(w->handle(8)).center(), after.center());
    QCOMPARE(w->unitGeometry(w->handle(4)).topLeft(), after.bottomRight());
    w->findChild<QMenu*>(QStringLiteral("MnDosya"))->popup(QPoint(0, 0));
    QTRY_VERIFY(w->handle(4)->isHidden());
    w->close();
}

QTEST_MAIN(TestPrintLayout)
#include "tst_print_layout.moc"
