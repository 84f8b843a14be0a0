// Printing to a real CUPS queue of the test's own, and the PDF command, through the service
// window, the layout window and the printer selection.
#include "FullDisk.h"
#include "LayoutWindow.h"
#include "PrinterConfirmed.h"
#include "PrivateCups.h"
#include "RegString.h"
#include "Settings.h"
#include "YazSec.h"
#include "print/Printers.h"

#include <QComboBox>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>

using printing::Form1;
using printing::YazSec;

namespace {

const QString kCode = QStringLiteral("01-0001-01");
const QString kTitle = QStringLiteral("Ali'nin Dükkanı");

void prepare(ServisFixture& f, bool headings) {
    f.addRecord(record(kCode, kTitle));
    f.addUsedItem(kCode, QStringLiteral("Toner"));
    f.addUsedItem(kCode, QStringLiteral("Merdane"));
    RegWriteString(registry::currentUser(), settings::kKey, QStringLiteral("Secim"),
                   QString(18, QLatin1Char('1')));
    settings::setBaslik(headings);
}

YazSec* openChoice(Form1* w) {
    trigger(w, QStringLiteral("Mnu_1"));
    return w->findChild<YazSec*>();
}

QComboBox* combo(YazSec* s) {
    return s->findChild<QComboBox*>(QStringLiteral("Combo1"));
}

void click(YazSec* s, int button) {
    QTest::mouseClick(s->findChild<QPushButton*>(QStringLiteral("YazCmd_%1").arg(button)), Qt::LeftButton);
}

// The box of word `word` in pdftotext -bbox output, in points; "word#2" for its second time.
QRectF wordBox(const QString& bbox, QString word) {
    const int occurrence = word.contains(QLatin1Char('#')) ? word.section(QLatin1Char('#'), 1).toInt() : 1;
    word = word.section(QLatin1Char('#'), 0, 0);
    const QRegularExpression re(
        QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">%1</word>")
            .arg(QRegularExpression::escape(word)));
    auto matches = re.globalMatch(bbox);
    QRegularExpressionMatch m;
    for (int i = 0; i < occurrence; ++i) {
        if (!matches.hasNext())
            return {};
        m = matches.next();
    }
    return QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                  QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
}

void expectInOrder(const QString& text, const QStringList& words) {
    int from = 0;
    for (const QString& w : words) {
        const int at = text.indexOf(w, from);
        QVERIFY2(at >= 0, qPrintable(QStringLiteral("\"%1\" missing or out of order in:\n%2").arg(w, text)));
        from = at + w.size();
    }
}

} // namespace

class TestPrintCups : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void printsTheFormOnTheChosenQueue();
    void pdf_data();
    void pdf();
    void failedPdfWrite_data();
    void failedPdfWrite();
    void closingStoresPrn_data();
    void closingStoresPrn();
    void namesComparedExactly();
    void openingsStartUnconfirmed();
    void vanishedQueueIsReported();
    void refusingQueueIsReported_data();
    void refusingQueueIsReported();
    void firstQueueWithoutDefault();
    void errorNamesThePrinterInTheBox();
    void noPrinterInstalled();

private:
    PrivateCups cups_;
};

void TestPrintCups::initTestCase() {
    const QString failed = cups_.start();
    if (!failed.isEmpty())
        QSKIP(qPrintable(QStringLiteral("no private CUPS daemon: ") + failed));
    QVERIFY(cups_.addQueue(QStringLiteral("Test")));
    QVERIFY(cups_.addQueue(QStringLiteral("Arsiv")));
    QTRY_COMPARE(print::installedPrinters().size(), 2);
}

void TestPrintCups::init() {
    print::setCurrentPrinter(QStringLiteral("Arsiv"));
    QFile::remove(cups_.outputOf(QStringLiteral("Test")));
    QFile::remove(cups_.outputOf(QStringLiteral("Arsiv")));
}

void TestPrintCups::printsTheFormOnTheChosenQueue() {
    ServisFixture f;
    prepare(f, true);
    settings::setPrn(QStringLiteral("Test"));
    Form1* w = openLayout(f);
    YazSec* choice = openChoice(w);
    QVERIFY(choice);
    QCOMPARE(choice->windowTitle(), QStringLiteral(" Yazıcı Seçimi"));
    QCOMPARE(combo(choice)->currentText(), QStringLiteral("Test"));
    click(choice, 1);
    const QString text = cups_.waitForText(QStringLiteral("Test"));
    QVERIFY2(!text.isEmpty(), "nothing came out of the queue");
    expectInOrder(text, {"Kayıt No", ": 01-0001-01", "Tarih : 04.03.2026", "Saat : 09:15"});
    expectInOrder(text, {"Ünvan", ": Ali'nin Dükkanı", "Adres", ": Atatürk Cad. 5", "Adres", ": Kat 2",
                         "Şehir", "Telefon", "Vergi Dairesi", ": Çankaya", "Vergi Numarası", "Sistem",
                         "Marka Model", "Seri No", "Teknisyen", ": Oğuz"});
    expectInOrder(text, {"Başvuru Sebebi :", "Kağıt sıkışıyor", "Yapılan İş :", "Merdane değişti",
                         "Kullanılan Malzeme :", "Toner", "Merdane", "Sonuç :", "Çalışıyor"});
    // Positions: the long fields' column stands 4620 twips (231 points) right of the short ones.
    const QString bbox = pdfText(cups_.outputOf(QStringLiteral("Test")), true);
    const QRectF unvan = wordBox(bbox, QStringLiteral("Ünvan"));
    const QRectF basvuru = wordBox(bbox, QStringLiteral("Başvuru"));
    QVERIFY(!unvan.isNull() && !basvuru.isNull());
    QVERIFY(qAbs(basvuru.left() - unvan.left() - 231) < 1);
    QVERIFY(qAbs(basvuru.top() - unvan.top()) < 1);
    QVERIFY(!printing::PrinterConfirmed);
    QVERIFY(!QFileInfo::exists(cups_.outputOf(QStringLiteral("Arsiv"))));
    QVERIFY(f.dialogs.shown.isEmpty());
    w->close();
}

void TestPrintCups::pdf_data() {
    QTest::addColumn<bool>("adjust");
    QTest::addColumn<QStringList>("words"); // word, then its Left and Top in twips
    QTest::addColumn<QStringList>("absent");
    QTest::newRow("the form") << false << QStringList{"Ünvan",   "210",  "840", "Tarih", "6240", "360",
                                                      "Başvuru", "4830", "840", "Toner", "4830", "-1"}
                              << QStringList{};
    // In adjust mode the boxes themselves are printed, holding the values last drawn.
    // Every line of a multi-line box, as the screen shows it: the second used item below the first.
    QTest::newRow("adjust mode") << true
                                 << QStringList{"04.03.2026", "6270", "390",  "Kağıt",     "4860", "870",
                                                "Toner",      "4860", "3870", "Merdane#2", "4860", "4100"}
                                 << QStringList{"Başvuru Sebebi :", "Kayıt No"};
}

void TestPrintCups::pdf() {
    QFETCH(bool, adjust);
    QFETCH(QStringList, words);
    QFETCH(QStringList, absent);
    ServisFixture f;
    prepare(f, true);
    Form1* w = openLayout(f);
    if (adjust)
        trigger(w, QStringLiteral("Mnu_0"));
    const QString file = f.db.dir() + QStringLiteral("/form.pdf");
    f.dialogs.fileNames << file;
    trigger(w, QStringLiteral("PdfKaydet"));
    QCOMPARE(f.dialogs.proposedNames,
             QStringList{QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/" + kCode +
                         ".pdf"});
    QVERIFY(f.dialogs.shown.isEmpty());
    const QString bbox = pdfText(file, true);
    for (int i = 0; i < words.size(); i += 3) {
        const QRectF box = wordBox(bbox, words[i]);
        QVERIFY2(!box.isNull(), qPrintable(words[i]));
        // Real text at its place to the point: 20 twips make one point.
        QVERIFY2(qAbs(box.left() - words[i + 1].toDouble() / 20) < 1, qPrintable(words[i]));
        if (words[i + 2] != "-1")
            QVERIFY2(qAbs(box.top() - words[i + 2].toDouble() / 20) < 1, qPrintable(words[i]));
    }
    const QString text = pdfText(file);
    for (const QString& a : absent)
        QVERIFY2(!text.contains(a), qPrintable(a));
    w->close();
}

void TestPrintCups::failedPdfWrite_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("sentence"); // the Turkish sentence before the system's own words
    QTest::newRow("disk full part-way") << "full"
                                        << "Sistem bir hata bildirdi.";
    QTest::newRow("missing folder") << "missing"
                                    << "Klasör ya da dosya bulunamadı.";
}

// A PDF that cannot be written leaves nothing under its name and says why in Turkish, the
// system's words only in brackets after it.
void TestPrintCups::failedPdfWrite() {
    QFETCH(QString, where);
    QFETCH(QString, sentence);
    ServisFixture f;
    prepare(f, false);
    Form1* w = openLayout(f);
    const QString file =
        f.db.dir() + (where == "missing" ? QStringLiteral("/yok/form.pdf") : QStringLiteral("/form.pdf"));
    f.dialogs.fileNames << file;
    {
        const FullDisk fillsUpPartWay(where == "full" ? 2000 : RLIM_INFINITY);
        trigger(w, QStringLiteral("PdfKaydet"));
    }
    QVERIFY(!QFileInfo::exists(file));
    QCOMPARE(f.dialogs.shown.size(), 1);
    const QString text = f.dialogs.shown[0].text;
    const QString head =
        QStringLiteral("PDF dosyası yazılamadı:\n") + file + QStringLiteral("\n\n") + sentence;
    QVERIFY2(text.startsWith(head + QStringLiteral(" (")) && text.endsWith(QLatin1Char(')')),
             qPrintable(text));
    QCOMPARE(f.dialogs.shown[0].icon, ui::Icon::Critical);
    w->close();
}

void TestPrintCups::closingStoresPrn_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("Vazgeç") << "cancel";
    QTest::newRow("Escape") << "escape";
    QTest::newRow("close box") << "close";
}

void TestPrintCups::closingStoresPrn() {
    QFETCH(QString, how);
    ServisFixture f;
    prepare(f, false);
    settings::setPrn(QStringLiteral("Arsiv"));
    Form1* w = openLayout(f);
    QPointer<YazSec> choice = openChoice(w);
    QCOMPARE(combo(choice)->currentText(), QStringLiteral("Arsiv"));
    combo(choice)->setCurrentIndex(combo(choice)->findText(QStringLiteral("Test")));
    if (how == "cancel")
        click(choice, 0);
    else if (how == "escape")
        QTest::keyClick(choice, Qt::Key_Escape);
    else
        choice->close();
    QTRY_VERIFY(choice.isNull());
    QCOMPARE(settings::prn(), QStringLiteral("Test"));
    QCOMPARE(print::currentPrinter(), QStringLiteral("Arsiv"));
    QVERIFY(!printing::PrinterConfirmed);
    QTest::qWait(300);
    QVERIFY(!QFileInfo::exists(cups_.outputOf(QStringLiteral("Test"))));
    QVERIFY(!QFileInfo::exists(cups_.outputOf(QStringLiteral("Arsiv"))));
    w->close();
}

// CUPS itself folds queue names to one case, so "test" cannot be a second queue beside "Test":
// the remembered and typed names must still match to the letter.
void TestPrintCups::namesComparedExactly() {
    ServisFixture f;
    prepare(f, false);
    settings::setPrn(QStringLiteral("test"));
    Form1* w = openLayout(f);
    QCOMPARE(print::currentPrinter(), QStringLiteral("Arsiv")); // not taken at load either
    YazSec* choice = openChoice(w);
    QCOMPARE(combo(choice)->currentText(), QStringLiteral("Arsiv"));
    combo(choice)->setEditText(QStringLiteral("TEST"));
    click(choice, 1);
    // Confirmed all the same, on the current printer.
    QVERIFY(!cups_.waitForText(QStringLiteral("Arsiv")).isEmpty());
    QVERIFY(!QFileInfo::exists(cups_.outputOf(QStringLiteral("Test"))));
    QCOMPARE(settings::prn(), QStringLiteral("TEST"));
    w->close();
}

void TestPrintCups::openingsStartUnconfirmed() {
    ServisFixture f;
    prepare(f, false);
    Form1* w = openLayout(f);
    for (int opening = 0; opening < 2; ++opening) {
        printing::PrinterConfirmed = true;
        auto* choice = new YazSec(w);
        QVERIFY(choice->Form_Load());
        QVERIFY(!printing::PrinterConfirmed);
        // A title and a close box only, whatever the window manager would give a dialog.
        QVERIFY(choice->windowFlags() & Qt::CustomizeWindowHint);
        QVERIFY(!(choice->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        choice->show();
        QVERIFY(QTest::qWaitForWindowExposed(choice));
        auto* tamam = choice->findChild<QPushButton*>(QStringLiteral("YazCmd_1"));
        f.player.played.clear();
        // Through the window as the platform delivers moves; twice on the button clicks once.
        QTest::mouseMove(choice->windowHandle(), QPoint(1, 1));
        for (int twice = 0; twice < 2; ++twice)
            QTest::mouseMove(choice->windowHandle(), tamam->geometry().center() + QPoint(twice, 0));
        QTRY_COMPARE(f.sounds(), QStringList{"Cmd.wav"});
        QVERIFY(tamam->font().bold());
        click(choice, 1);
        QVERIFY(printing::PrinterConfirmed);
    }
    w->close();
    QVERIFY(!printing::PrinterConfirmed);
}

void TestPrintCups::vanishedQueueIsReported() {
    ServisFixture f;
    prepare(f, false);
    print::setCurrentPrinter(QStringLiteral("Test"));
    Form1* w = openLayout(f);
    YazSec* choice = openChoice(w);
    QCOMPARE(combo(choice)->currentText(), QStringLiteral("Test"));
    QVERIFY(cups_.removeQueue(QStringLiteral("Test")));
    click(choice, 1);
    QTRY_COMPARE(f.dialogs.shown.size(), 1);
    QVERIFY(f.dialogs.shown[0].text.contains(QStringLiteral("\"Test\" yazıcısı bulunamadı")));
    QVERIFY(f.dialogs.shown[0].text.endsWith(QStringLiteral("Form yazdırılmadı.")));
    QVERIFY(cups_.addQueue(QStringLiteral("Test")));
    w->close();
}

void TestPrintCups::refusingQueueIsReported_data() {
    QTest::addColumn<QString>("refuse");
    QTest::addColumn<QString>("restore");
    QTest::newRow("rejecting jobs") << "cupsreject"
                                    << "cupsaccept";
    QTest::newRow("stopped") << "cupsdisable"
                             << "cupsenable";
}

// A queue that will not print is said, naming the printer; nothing waits in it to come out later.
void TestPrintCups::refusingQueueIsReported() {
    QFETCH(QString, refuse);
    QFETCH(QString, restore);
    ServisFixture f;
    prepare(f, false);
    settings::setPrn(QStringLiteral("Test"));
    QVERIFY(cups_.admin(refuse, QStringLiteral("Test")));
    Form1* w = openLayout(f);
    click(openChoice(w), 1);
    QTRY_COMPARE(f.dialogs.shown.size(), 1);
    const QString text = f.dialogs.shown[0].text;
    QVERIFY2(text.startsWith(QStringLiteral("\"Test\" yazıcısı")), qPrintable(text));
    QVERIFY(text.endsWith(QStringLiteral("Form yazdırılmadı.")));
    QCOMPARE(f.dialogs.shown[0].icon, ui::Icon::Critical);
    QVERIFY(cups_.admin(restore, QStringLiteral("Test")));
    QTest::qWait(500);
    QVERIFY(!QFileInfo::exists(cups_.outputOf(QStringLiteral("Test"))));
    w->close();
}

// No default queue and nothing remembered: the first queue is offered, and printing works.
void TestPrintCups::firstQueueWithoutDefault() {
    QVERIFY(QPrinterInfo::defaultPrinterName().isEmpty());
    print::setCurrentPrinter(QString());
    ServisFixture f;
    prepare(f, false);
    Form1* w = openLayout(f);
    YazSec* choice = openChoice(w);
    const QString first = print::installedPrinters().first();
    QCOMPARE(combo(choice)->currentText(), first);
    click(choice, 1);
    QVERIFY(!cups_.waitForText(first).isEmpty());
    QVERIFY(f.dialogs.shown.isEmpty());
    QCOMPARE(settings::prn(), first);
    w->close();
}

// The printer chosen earlier has gone and the box names one that never was: the error names
// what the box shows.
void TestPrintCups::errorNamesThePrinterInTheBox() {
    ServisFixture f;
    prepare(f, false);
    print::setCurrentPrinter(QStringLiteral("Eski"));
    Form1* w = openLayout(f);
    YazSec* choice = openChoice(w);
    combo(choice)->setEditText(QStringLiteral("Yok"));
    click(choice, 1);
    QTRY_COMPARE(f.dialogs.shown.size(), 1);
    QVERIFY2(f.dialogs.shown[0].text.startsWith(QStringLiteral("\"Yok\" yazıcısı bulunamadı")),
             qPrintable(f.dialogs.shown[0].text));
    w->close();
}

void TestPrintCups::noPrinterInstalled() {
    cups_.stop();
    ServisFixture f;
    prepare(f, false);
    settings::setPrn(QStringLiteral("Arsiv"));
    Form1* w = openLayout(f);
    QVERIFY(!openChoice(w) || !w->findChild<YazSec*>()->isVisible());
    QCOMPARE(f.dialogs.texts(), QStringList{"Sistemde Yazıcı Bulunamadı."});
    QCOMPARE(f.dialogs.shown[0].icon, ui::Icon::None);
    QCOMPARE(settings::prn(), QString());
    QVERIFY(!printing::PrinterConfirmed);
    w->close();
}

QTEST_MAIN(TestPrintCups)
#include "tst_print_cups.moc"
