// The print layout window through the service window: the drawn page, the layout file, the field
// selection, nudging and the sizing handles.
#include "FullDisk.h"
#include "LayoutWindow.h"
#include "PageRenderer.h"
#include "RegString.h"
#include "SatirFile.h"
#include "Settings.h"
#include "ui/Twips.h"

#include <QFile>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <sys/resource.h>
#include <sys/stat.h>

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

void key(QWidget* w, QEvent::Type type, int k, bool autoRepeat, quint64 time = 0) {
    QKeyEvent e(type, k, Qt::ControlModifier, QString(), autoRepeat);
    e.setTimestamp(time);
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
    void wrapping_data();
    void wrapping();
    void layoutFileRoundTrip();
    void shortAndMalformedLayoutFile();
    void damagedLayoutFile_data();
    void damagedLayoutFile();
    void failedLayoutWriteKeepsTheFile();
    void selectionShorterThan18AndKayitNo();
    void adjustModeAndSwitchingOff();
    void nudge_data();
    void nudge();
    void boxesMoveWithTheMouse_data();
    void boxesMoveWithTheMouse();
    void resetLayout_data();
    void resetLayout();
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

void TestPrintLayout::wrapping_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("paragraphs"); // lines of the text itself
    QTest::addColumn<bool>("cut");       // a word wider than the box is cut where it reaches the edge
    const QString sentence = QStringLiteral("Şişe kapağı ığdır çöğüş İİİ ").repeated(12).trimmed();
    QTest::newRow("one long line") << sentence << 1 << false;
    QTest::newRow("a line break, then a long line") << QStringLiteral("Kısa\r\n") + sentence << 2 << false;
    QTest::newRow("long lines on both sides of a break")
        << sentence + QStringLiteral("\r\n") + sentence << 2 << false;
    QTest::newRow("a word wider than the box")
        << QStringLiteral("Ön ") + QStringLiteral("Ğ").repeated(120) + QStringLiteral(" son") << 1 << true;
}

// Every line of a long field fits its box in the font the page is printed with, breaks fall
// between words wherever a word fits, and a line takes every word that fits.
void TestPrintLayout::wrapping() {
    QFETCH(QString, stored);
    QFETCH(int, paragraphs);
    QFETCH(bool, cut);
    ServisFixture f;
    QVariantMap r = record(QStringLiteral("01-0001-01"), QStringLiteral("Ünal Ltd."));
    r[QStringLiteral("BasvuruSebebi")] = stored;
    f.addRecord(r);
    writeSecim(QStringLiteral("000000000000001"));
    Form1* w = openLayout(f);
    // As the service window holds it (a field may be shorter than the stored text).
    const QString text = f.box(14).remove(QLatin1Char('\r'));
    const double limit = w->layout().box(13).twips.width();
    const QFontMetricsF page(printing::PageRenderer::font());
    const auto& texts = w->page().texts;
    QVERIFY(texts.size() > paragraphs);
    QStringList words;
    for (int i = 0; i < texts.size(); ++i) {
        const QString line = texts[i].text;
        QCOMPARE(texts[i].x, 4830.0);
        QVERIFY2(page.horizontalAdvance(line) <= limit, qPrintable(line));
        words += line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (i + 1 < texts.size()) {
            const QString next = texts[i + 1].text.section(QLatin1Char(' '), 0, 0);
            // The next line's first word did not fit here (or the text broke there itself).
            QVERIFY2(page.horizontalAdvance(line + QLatin1Char(' ') + next) > limit ||
                         text.contains(line + QLatin1Char('\n')),
                     qPrintable(line));
        }
    }
    QString expected = text;
    expected.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QStringList whole = expected.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (cut)
        QCOMPARE(words.join(QString()), whole.join(QString()));
    else
        QCOMPARE(words, whole);
    QCOMPARE(w->layout().box(13).text, f.box(14)); // as the service window holds it
    w->close();
}

void TestPrintLayout::layoutFileRoundTrip() {
    ServisFixture f;
    f.addRecord(record(QStringLiteral("01-0001-01"), QStringLiteral("Ünal Ltd.")));
    QByteArray content = "1200.5,900,7410,9780.25\r\n";
    for (int box = 0; box < PrintLayout::kFieldBoxes; ++box)
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
    for (int box = 2; box < PrintLayout::kFieldBoxes; ++box)
        QCOMPARE(w->layout().box(box).twips.topLeft(), QPointF(300, 700));
    QCOMPARE(w->layout().box(13).twips.width(), 4575.0); // sizes stay as designed
    w->close();
}

void TestPrintLayout::damagedLayoutFile_data() {
    QTest::addColumn<QString>("file");  // a fixture, or what to put in place of the file
    QTest::addColumn<QString>("boxes"); // box=Left,Top after opening; the others as designed
    QTest::newRow("nan and inf") << "not-finite.dat"
                                 << "1=6240,360 2=6240,360 3=6240,360 4=210,1680";
    QTest::newRow("1e308 and 1e9") << "huge-numbers.dat"
                                   << "0=6240,360 5=210,1680";
    QTest::newRow("boxes far off the page") << "box-off-page.dat"
                                            << "3=210,840 4=210,840";
    QTest::newRow("window far off the screen") << "window-off-screen.dat"
                                               << "";
    QTest::newRow("window larger than any screen") << "window-too-big.dat"
                                                   << "";
    QTest::newRow("a FIFO") << "fifo"
                            << "";
    QTest::newRow("100 MB on one line") << "100 MB"
                                        << "";
}

// A damaged layout file opens the window on the screen with every box where the last sane line
// put it, costs no more than the file's few lines, and gets back only sane numbers.
void TestPrintLayout::damagedLayoutFile() {
    QFETCH(QString, file);
    QFETCH(QString, boxes);
    ServisFixture f;
    f.addRecord(record(QStringLiteral("01-0001-01"), QStringLiteral("Ünal Ltd.")));
    const QString path = f.db.dir() + QStringLiteral("/Satir.dat");
    if (file == "fifo") {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (file == "100 MB") {
        QFile big(path);
        QVERIFY(big.open(QIODevice::WriteOnly));
        const QByteArray chunk = QByteArray("1,").repeated(1 << 20);
        for (int i = 0; i < 50; ++i)
            big.write(chunk);
    } else {
        QVERIFY(QFile::copy(QStringLiteral(KTS_FIXTURES "/satir/") + file, path));
    }
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    Form1* w = openLayout(f);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    QVERIFY2(after.ru_maxrss - before.ru_maxrss < 64 * 1024, "the file was read whole"); // in KB

    PrintLayout expected;
    for (const QString& b : boxes.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QStringList at = b.section(QLatin1Char('='), 1).split(QLatin1Char(','));
        expected.moveBox(b.section(QLatin1Char('='), 0, 0).toInt(), at[0].toDouble(), at[1].toDouble());
    }
    for (int box = 0; box < PrintLayout::kFieldBoxes; ++box)
        QCOMPARE(w->layout().box(box).twips.topLeft(), expected.box(box).twips.topLeft());
    const QRect screen = w->screen()->geometry();
    QVERIFY(screen.contains(w->frameGeometry()));
    w->close();

    QFile written(path);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.size() < 1024);
    PrintLayout back;
    printing::satir::parse(written.readAll(), back);
    for (int box = 0; box < PrintLayout::kFieldBoxes; ++box)
        QCOMPARE(back.box(box).twips.topLeft(), expected.box(box).twips.topLeft());
    const QRectF window = back.window();
    QVERIFY(!window.isEmpty());
    QVERIFY(screen.contains(ui::twipsRect(window.left(), window.top(), window.width(), window.height())));
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
    key(box, QEvent::KeyPress, Qt::Key_Down, false, 1);
    key(box, QEvent::KeyRelease, Qt::Key_Down, false, 2);
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
    // P/R press/release at the time that follows; p/r marked as repeats by the platform.
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QPointF>("moved");
    QTest::newRow("pressed three times") << int(Qt::Key_Right) << "P1 R2 P3 R4 P5 R6" << QPointF(45, 0);
    QTest::newRow("held down, repeats marked") << int(Qt::Key_Right) << "P1 r2 p2 r3 p3 R4" << QPointF(15, 0);
    // X11 as Qt 6.4 passes it on: each repeat a release and a press of the same moment.
    QTest::newRow("held down, repeats unmarked")
        << int(Qt::Key_Right) << "P1 R40 P40 R70 P70 R90" << QPointF(15, 0);
    QTest::newRow("up") << int(Qt::Key_Up) << "P1 R2" << QPointF(0, -15);
    QTest::newRow("left held, then pressed again")
        << int(Qt::Key_Left) << "P1 R40 P40 R70 P80 R90" << QPointF(-30, 0);
    QTest::newRow("down twice") << int(Qt::Key_Down) << "P1 R2 P3 R4" << QPointF(0, 30);
}

void TestPrintLayout::nudge() {
    QFETCH(int, arrow);
    QFETCH(QString, keys);
    QFETCH(QPointF, moved);
    ServisFixture f;
    Form1* w = openAdjusting(f);
    auto* box = w->findChild<QWidget*>(QStringLiteral("FatText_2"));
    const QPointF start = w->layout().box(2).twips.topLeft();
    for (const QString& k : keys.split(QLatin1Char(' '))) {
        const QEvent::Type type = k[0].toUpper() == 'P' ? QEvent::KeyPress : QEvent::KeyRelease;
        key(box, type, arrow, k[0].isLower(), k.mid(1).toULongLong());
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

void TestPrintLayout::boxesMoveWithTheMouse_data() {
    QTest::addColumn<int>("box");
    QTest::newRow("single-line Ünvan") << 2;
    for (int box = 13; box <= 16; ++box)
        QTest::newRow(qPrintable(QStringLiteral("multi-line %1").arg(box))) << box;
}

// Through the window as the platform delivers the mouse: a press inside any box picks it for the
// sizing handles and drags it; nothing of its text gets selected, a double click included.
void TestPrintLayout::boxesMoveWithTheMouse() {
    QFETCH(int, box);
    ServisFixture f;
    Form1* w = openAdjusting(f);
    auto* widget = w->findChild<QWidget*>(QStringLiteral("FatText_%1").arg(box));
    const QPointF start = w->layout().box(box).twips.topLeft();
    const QPoint grab = widget->mapTo(w, QPoint(20, 8));
    QWindow* window = w->windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, grab);
    QTest::mouseMove(window, grab + QPoint(5, 3));
    QTest::mouseMove(window, grab + QPoint(10, 6));
    QTest::mouseRelease(window, Qt::LeftButton, {}, grab + QPoint(10, 6));
    // 10 by 6 pixels are 150 by 90 twips at 96 dots per inch.
    QCOMPARE(w->layout().box(box).twips.topLeft(), start + QPointF(150, 90));
    QCOMPARE(w->resizer().SizedControl, widget);
    QVERIFY(w->handle(4)->isVisible());
    QTest::mouseDClick(window, Qt::LeftButton, {}, widget->mapTo(w, QPoint(20, 8)));
    if (auto* text = qobject_cast<QPlainTextEdit*>(widget))
        QVERIFY(!text->textCursor().hasSelection());
    else
        QVERIFY(!static_cast<QLineEdit*>(widget)->hasSelectedText());
    QCOMPARE(w->layout().box(box).twips.topLeft(), start + QPointF(150, 90));
    w->close();
}

void TestPrintLayout::resetLayout_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("yes");
    QTest::newRow("Dosya menu, Evet") << "Sifirla" << true;
    QTest::newRow("Dosya menu, Hayır") << "Sifirla" << false;
    QTest::newRow("popup, Evet") << "FatpopSifirla" << true;
}

// "Düzeni Sıfırla" follows "PDF olarak kaydet" in both menus and, once the user agrees, puts
// every box and the window back at their design places, for good.
void TestPrintLayout::resetLayout() {
    QFETCH(QString, action);
    QFETCH(bool, yes);
    ServisFixture f;
    PrintLayout stored;
    stored.moveBox(3, -9000, 20000);
    stored.setWindow(QRectF(3000, 1500, 6000, 4000));
    const QString path = f.db.dir() + QStringLiteral("/Satir.dat");
    QVERIFY(printing::satir::write(path, stored));
    Form1* w = openAdjusting(f);
    const QRectF sized(100, 100, 50, 9000); // as the sizing handles leave it
    QVERIFY(w->setUnitGeometry(w->findChild<QWidget*>(QStringLiteral("FatText_14")), sized));
    stored.setBoxGeometry(14, sized);
    for (const char* menu : {"MnDosya", "PopMenu"}) {
        const QList<QAction*> items = w->findChild<QMenu*>(QString::fromLatin1(menu))->actions();
        const auto pdf = std::find_if(items.begin(), items.end(), [](QAction* a) {
            return a->text() == QStringLiteral("PDF olarak kaydet");
        });
        QVERIFY(pdf != items.end() && pdf + 1 != items.end());
        QCOMPARE((*(pdf + 1))->text(), QStringLiteral("Düzeni Sıfırla"));
    }
    const QRect before = w->frameGeometry();
    f.dialogs.answers << (yes ? ui::Answer::Yes : ui::Answer::No);
    trigger(w, action);
    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(f.dialogs.shown[0].icon, ui::Icon::Question);
    QCOMPARE(f.dialogs.shown[0].buttons, ui::Buttons::YesNo);
    QCOMPARE(f.dialogs.shown[0].defaultButton, ui::Answer::No);
    const PrintLayout design;
    const PrintLayout& expected = yes ? design : stored;
    for (int box = 0; box < PrintLayout::kBoxes; ++box)
        QCOMPARE(w->layout().box(box).twips, expected.box(box).twips);
    QCOMPARE(w->frameGeometry() == before, !yes);
    if (yes)
        QCOMPARE(w->frameGeometry().topLeft(), w->screen()->availableGeometry().topLeft());
    w->close();
    PrintLayout back;
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    printing::satir::parse(file.readAll(), back);
    QCOMPARE(back.box(3).twips.topLeft(), expected.box(3).twips.topLeft());
    QCOMPARE(back.window() == stored.window(), !yes);
}

QTEST_MAIN(TestPrintLayout)
#include "tst_print_layout.moc"
