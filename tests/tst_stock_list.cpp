#include "StockFixture.h"

#include "Form2.h"
#include "ProgramDirectory.h"
#include "Settings.h"
#include "TextCursor.h"
#include "ui/Twips.h"

#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <sys/stat.h>

using Columns = QList<int>;

class TestStockList : public QObject {
    Q_OBJECT

    std::unique_ptr<StockFixture> f;

    void layCards() {
        f->addGroup("Sarf", {"Toner", "Kağıt"});
        f->addGroup("Parça", {"Kablo"});
        f->addCard("A100", "Toner Siyah", "8690001", "TS-1", "Sarf", "Toner");
        f->addCard("B200", "Kağıt A4", "8690002", "KA-4", "Sarf", "Kağıt");
        f->addCard("C300", "Fan 12V", "1234567", "8690009", "Parça", "");
        f->addCard("869X", "Vida", "", "", "", "");
        f->addCard("D400", "869 Kablo", "", "", "Parça", "Kablo");
        f->addCard("E500", "Ali'nin Rafı", "55*7", "S?1", "", "");
        f->addCard("F600", "Özel [Set] Kit", "", "#42", "", "");
    }
    void clickHeader(int column) {
        QHeaderView* h = f->grid()->horizontalHeader();
        const QPoint at(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    void search(const QString& text) { f->typeInto(f->search(), text); }
    int position() { return f->list()->Data1()->rs().absolutePosition(); }
    int width(int column) { return ui_twips(f->grid()->columnWidth(column)); }
    static int ui_twips(int px);
    QString layoutText() {
        QFile file(programFile("StokList.Dat"));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    }
    void writeLayout(const QByteArray& text) {
        QFile file(programFile("StokList.Dat"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

private Q_SLOTS:
    void init() {
        f = std::make_unique<StockFixture>();
        layCards();
    }
    void cleanup() { f.reset(); }

    void opensWithEveryCardAndBothFiltersOff() {
        f->openList();
        QCOMPARE(f->codes(), (QStringList{"869X", "A100", "B200", "C300", "D400", "E500", "F600"}));
        QCOMPARE(f->currentCode(), QStringLiteral("869X"));
        QStringList groups;
        for (int i = 0; i < f->groupFilter()->count(); ++i)
            groups << f->groupFilter()->itemText(i);
        QCOMPARE(groups, (QStringList{"Parça", "Sarf", "Gurup Yok"}));
        QCOMPARE(f->subgroupFilter()->currentText(), QStringLiteral("Gurup Yok"));
        QCOMPARE(QApplication::focusWidget(), f->search()); // first in tab order, placeholder gone
        QCOMPARE(f->search()->text(), QString());
        QCOMPARE(caret::caretOwner(), f->search());
        const QFontMetrics m(f->search()->font());
        QCOMPARE(caret::blockCaretSize(), QSize(m.horizontalAdvance('X'), m.height()));
        f->grid()->setFocus();
        QCOMPARE(f->search()->text(), QStringLiteral("Kayıt Arama"));
    }

    void headerClicksShareOneDirection_data() {
        QTest::addColumn<Columns>("clicks");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::newRow("first click descends") << Columns{0} << "F600"
                                              << "869X";
        QTest::newRow("then another column ascends") << Columns{0, 1} << "D400"
                                                     << "869X";
        QTest::newRow("name down, code up") << Columns{1, 0} << "869X"
                                            << "F600";
        QTest::newRow("third click descends again") << Columns{1, 0, 2} << "B200"
                                                    << "F600";
    }
    void headerClicksShareOneDirection() {
        QFETCH(Columns, clicks);
        QFETCH(QString, first);
        QFETCH(QString, last);
        f->openList();
        for (int c : clicks)
            clickHeader(c);
        const QStringList shown = f->codes();
        QCOMPARE(shown.first(), first);
        if (clicks.last() != 2) // blank barcodes tie; their order is the engine's
            QCOMPARE(shown.last(), last);
        QCOMPARE(f->currentCode(), first);
    }

    void searchTriesBarcodeSerialCodeThenName_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("found");
        QTest::newRow("barcode before the rest") << "869"
                                                 << "A100";
        QTest::newRow("serial number") << "8690009"
                                       << "C300";
        QTest::newRow("code, any case") << "869x"
                                        << "869X";
        QTest::newRow("name") << "869 k"
                              << "D400";
        QTest::newRow("blanks around are trimmed") << " ali"
                                                   << "E500";
        QTest::newRow("a quote is a letter") << "ali'nin"
                                             << "E500";
        QTest::newRow("star typed is a star") << "55*"
                                              << "E500";
        QTest::newRow("star is no wildcard") << "5*7"
                                             << "869X";
        QTest::newRow("question mark is no wildcard") << "T?"
                                                      << "869X";
        QTest::newRow("hash is a hash") << "#4"
                                        << "F600";
        QTest::newRow("hash is no digit") << "#"
                                          << "F600";
        QTest::newRow("bracket, Turkish case") << "özel [s"
                                               << "F600";
        QTest::newRow("nothing found stays") << "zzz"
                                             << "869X";
    }
    void searchTriesBarcodeSerialCodeThenName() {
        QFETCH(QString, typed);
        QFETCH(QString, found);
        f->openList();
        f->search()->setText(typed); // pasted: typed letter by letter, "5" alone would find E500
        QCOMPARE(f->currentCode(), found);
        QCOMPARE(f->grid()->currentIndex().row(), position());
    }

    void groupFilter_data() {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("subgroup");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("group") << "Sarf"
                               << "Gurup Yok" << QStringList{"A100", "B200"};
        QTest::newRow("group and subgroup") << "Sarf"
                                            << "Toner" << QStringList{"A100"};
        QTest::newRow("other group") << "Parça"
                                     << "Gurup Yok" << QStringList{"C300", "D400"};
        QTest::newRow("no group whatever the subgroup")
            << "Gurup Yok"
            << "Kablo" << QStringList{"869X", "A100", "B200", "C300", "D400", "E500", "F600"};
    }
    void groupFilter() {
        QFETCH(QString, group);
        QFETCH(QString, subgroup);
        QFETCH(QStringList, shown);
        f->openList();
        f->groupFilter()->setCurrentText("Parça");
        f->subgroupFilter()->setCurrentText("Kablo"); // a subgroup left over from before
        f->groupFilter()->setCurrentText(group);
        QStringList subgroups;
        for (int i = 0; i < f->subgroupFilter()->count(); ++i)
            subgroups << f->subgroupFilter()->itemText(i);
        QCOMPARE(subgroups.last(), QStringLiteral("Gurup Yok"));
        f->subgroupFilter()->setCurrentText(subgroup);
        QCOMPARE(f->codes(), shown);
    }

    void deletingACardTakesItsUses_data() {
        QTest::addColumn<ui::Answer>("answer");
        QTest::newRow("yes") << ui::Answer::Yes;
        QTest::newRow("no") << ui::Answer::No;
    }
    void deletingACardTakesItsUses() {
        QFETCH(ui::Answer, answer);
        const QString insert = "INSERT INTO StokHareket (StokHarKod, KayitNo) VALUES (?, ?)";
        TestDatabase::sql(f->db.stok(), insert, {"A100", "01-0001-01"});
        TestDatabase::sql(f->db.stok(), insert, {"A100", "01-0002-01"});
        TestDatabase::sql(f->db.stok(), insert, {"B200", "01-0001-01"});
        f->openList();
        search("8690001");
        f->dialogs.answers << answer;
        f->list()->findChild<QAction*>("StokSil")->trigger();
        QCOMPARE(f->dialogs.texts(), QStringList{"Bu Stok Silinecek Eminmisiniz..!"});
        QCOMPARE(f->dialogs.shown[0].icon, ui::Icon::Critical);
        QCOMPARE(f->dialogs.shown[0].buttons, ui::Buttons::YesNo);
        const bool yes = answer == ui::Answer::Yes;
        QCOMPARE(f->stok("SELECT count(*) FROM StokKartlar WHERE StokKod='A100'").toInt(), yes ? 0 : 1);
        QCOMPARE(f->stok("SELECT group_concat(StokHarKod) FROM StokHareket").toString(),
                 yes ? QStringLiteral("B200") : QStringLiteral("A100,A100,B200"));
        QCOMPARE(f->sounds().contains("Recycle.wav"), yes);
        QCOMPARE(f->codes().size(), yes ? 6 : 7);
    }

    void keysMoveAndClose() {
        f->openList();
        f->key(f->search(), Qt::Key_Up);
        QCOMPARE(position(), 0); // stays on the first card
        f->key(f->search(), Qt::Key_Down);
        f->key(f->grid(), Qt::Key_Down);
        QCOMPARE(position(), 2);
        for (int i = 0; i < 10; ++i)
            f->key(f->groupFilter(), Qt::Key_Down);
        QCOMPARE(position(), 6); // stays on the last
        QCOMPARE(f->groupFilter()->currentText(), QStringLiteral("Gurup Yok"));
        QPointer<Form2> list = f->list();
        f->key(f->grid(), Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(!list, 3000);
    }

    void wheelMovesOneRowOverTheGridOnly_data() {
        QTest::addColumn<QString>("over");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<int>("moved");
        QTest::newRow("down over the grid") << "StokList" << -120 << 1;
        QTest::newRow("up over the grid") << "StokList" << 120 << -1;
        QTest::newRow("three notches, one row") << "StokList" << -360 << 1;
        QTest::newRow("bottom right edge counts") << "edge" << -120 << 1;
        QTest::newRow("over the search box") << "Text1" << -120 << 0;
        QTest::newRow("over a filter box") << "Combo1" << -120 << 0;
    }
    void wheelMovesOneRowOverTheGridOnly() {
        QFETCH(QString, over);
        QFETCH(int, rotation);
        QFETCH(int, moved);
        f->openList();
        search("B200"); // in the middle, so both ways can move
        const int before = position();
        QWidget* target = over == "edge" ? f->grid() : f->list()->findChild<QWidget*>(over);
        const QPoint local =
            over == "edge" ? QPoint(target->width(), target->height()) : target->rect().center();
        const QPoint global = target->mapToGlobal(local);
        QWheelEvent turn(local, global, QPoint(), QPoint(0, rotation), Qt::NoButton, Qt::NoModifier,
                         Qt::NoScrollPhase, false);
        QApplication::sendEvent(over == "edge" ? static_cast<QWidget*>(f->list()) : target, &turn);
        QCOMPARE(position() - before, moved);
        QCOMPARE(f->groupFilter()->currentText(), QStringLiteral("Gurup Yok"));
    }

    void columnLayoutIsRestored_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<int>>("widths"); // twips; 0 for a hidden column
        QTest::newRow("no file: as designed") << QByteArray() << QList<int>{1800, 3300, 1800, 1500};
        QTest::newRow("every column")
            << QByteArray("900,#TRUE#\r\n1200,#TRUE#\r\n1050,#FALSE#\r\n600,#TRUE#\r\n")
            << QList<int>{900, 1200, 0, 600};
        QTest::newRow("short file") << QByteArray("1200,#TRUE#\r\n1500,#FALSE#\r\n")
                                    << QList<int>{1200, 0, 1800, 1500};
        QTest::newRow("bad values") << QByteArray(
                                           "abc,#TRUE#\r\n900,#MAYBE#\r\n\r\n1200,#TRUE#\r\n1050,#TRUE#\r\n")
                                    << QList<int>{1800, 3300, 1200, 1050};
        QTest::newRow("more lines than columns")
            << QByteArray("900,#TRUE#\r\n900,#TRUE#\r\n900,#TRUE#\r\n900,#TRUE#\r\n900,#FALSE#\r\n")
            << QList<int>{900, 900, 900, 900};
    }
    void columnLayoutIsRestored() {
        QFETCH(QByteArray, file);
        QFETCH(QList<int>, widths);
        if (!file.isEmpty())
            writeLayout(file);
        f->openList();
        search("B200"); // record sets come and go; the layout stays
        f->groupFilter()->setCurrentText("Sarf");
        for (int c = 0; c < Form2::kColumns; ++c) {
            QCOMPARE(f->grid()->isColumnHidden(c), widths[c] == 0);
            if (widths[c] != 0)
                QCOMPARE(width(c), widths[c]);
        }
        const QString caption = f->grid()->model()->headerData(1, Qt::Horizontal).toString();
        QVERIFY(caption.endsWith("Stok Adı"));
    }

    void resizingAColumnKeepsTheLayoutOnceTheDragEnds() {
        const QString before("1800,#TRUE#\r\n3300,#TRUE#\r\n1800,#TRUE#\r\n1500,#FALSE#\r\n");
        writeLayout(before.toLatin1());
        f->openList();
        QHeaderView* h = f->grid()->horizontalHeader();
        QWidget* v = h->viewport();
        const int y = h->height() / 2;
        const int edge = h->sectionViewportPosition(1) + h->sectionSize(1) - 1;
        const auto mouse = [v, y](QEvent::Type type, int x, Qt::MouseButtons buttons) {
            QMouseEvent e(type, QPointF(x, y), v->mapToGlobal(QPointF(x, y)), Qt::LeftButton, buttons,
                          Qt::NoModifier);
            QApplication::sendEvent(v, &e);
        };
        mouse(QEvent::MouseButtonPress, edge, Qt::LeftButton);
        for (int step = 1; step <= 8; ++step)
            mouse(QEvent::MouseMove, edge + step * ui::twipsToPixelsX(1200) / 8, Qt::LeftButton);
        QCOMPARE(width(1), 4500);
        QCOMPARE(layoutText(), before); // nothing written while the drag goes on
        mouse(QEvent::MouseButtonRelease, edge + ui::twipsToPixelsX(1200), Qt::NoButton);
        QCOMPARE(layoutText(),
                 QStringLiteral("1800,#TRUE#\r\n4500,#TRUE#\r\n1800,#TRUE#\r\n1500,#FALSE#\r\n"));
        const QString caption = f->grid()->model()->headerData(1, Qt::Horizontal).toString();
        const QFontMetrics m(f->grid()->horizontalHeader()->font());
        const int blanks = caption.size() - caption.trimmed().size();
        QCOMPARE(blanks, int((ui::twipsToPixelsX(4500) - m.horizontalAdvance("Stok Adı")) / 2.0 /
                             m.horizontalAdvance(' ')));
        QVERIFY(caption.startsWith(' '));
        f->closeAndWait(f->list());

        f->openList();
        QCOMPARE(width(1), 4500);
        QVERIFY(f->grid()->isColumnHidden(3));
        QCOMPARE(f->grid()->model()->headerData(1, Qt::Horizontal).toString(), caption);
    }

    void pickingACardHandsItToTheOpenRecord_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("handed");
        QTest::newRow("adding, double click") << "adding"
                                              << "double click" << true;
        QTest::newRow("adding, Enter in the grid") << "adding"
                                                   << "grid Enter" << true;
        QTest::newRow("adding, scanner Enter") << "adding"
                                               << "search Enter" << true;
        QTest::newRow("changing, double click") << "changing"
                                                << "double click" << true;
        QTest::newRow("browsing, double click") << "browsing"
                                                << "double click" << false;
        QTest::newRow("browsing, scanner Enter") << "browsing"
                                                 << "search Enter" << false;
    }
    void pickingACardHandsItToTheOpenRecord() {
        QFETCH(QString, mode);
        QFETCH(QString, how);
        QFETCH(bool, handed);
        f->addRecord(record("01-0001-01", "Ali'nin Dükkanı"));
        settings::setDataNo("01-0001-01");
        f->open();
        if (mode == "adding") {
            f->click("cmdAdd");
            f->typeInto(f->child<QWidget>("Text1_0"), "Veli'nin Yeri");
        } else if (mode == "changing") {
            f->click("cmdDüzeltme");
        }
        f->openList();
        search("8690002");
        if (how == "double click") {
            QTableView* g = f->grid();
            const QPoint at = g->visualRect(g->model()->index(position(), 1)).center();
            // A double click is a press, a release and the double click itself.
            QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseDClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        } else {
            f->key(how == "grid Enter" ? static_cast<QWidget*>(f->grid()) : f->search(), Qt::Key_Return);
        }
        const QString code = mode == "adding" ? "01-0002-01" : "01-0001-01";
        const QString title = mode == "adding" ? "Veli'nin Yeri" : "Ali'nin Dükkanı";
        if (!handed) {
            QTest::qWait(700);
            QVERIFY(f->list());
            QCOMPARE(f->stok("SELECT count(*) FROM StokHareket").toInt(), 0);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(!f->list(), 3000);
        QCOMPARE(
            f->stok("SELECT StokHarKod || '|' || Tarih || '|' || SeriNo || '|' || StokAd || '|' || Unvan || "
                    "'|' || Barkod || '|' || KayitNo FROM StokHareket")
                .toString(),
            QStringList({"B200", QDate::currentDate().toString(Qt::ISODate), "KA-4", "Kağıt A4", title,
                         "8690002", code})
                .join('|'));
        QCOMPARE(f->gridItems(), QStringList{"Kağıt A4"});
    }

    void aClosingListTakesNoInput_data() {
        QTest::addColumn<QString>("second");
        QTest::newRow("a second double click") << "double click";
        QTest::newRow("Enter in the grid") << "grid Enter";
        QTest::newRow("a double click after Escape") << "Escape, then double click";
    }
    void aClosingListTakesNoInput() {
        QFETCH(QString, second);
        f->open();
        f->click("cmdAdd");
        f->openList();
        search("8690002");
        QTableView* g = f->grid();
        const QPoint at = g->visualRect(g->model()->index(position(), 1)).center();
        const auto doubleClick = [g, at] {
            QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            QTest::mouseDClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        };
        if (second.startsWith("Escape"))
            f->key(g, Qt::Key_Escape); // closing by Escape, then the row is picked in the fade
        else
            doubleClick();
        QVERIFY(f->list()); // fading, not gone
        if (second == "grid Enter")
            QTest::keyClick(g, Qt::Key_Return);
        else
            doubleClick();
        QTRY_VERIFY_WITH_TIMEOUT(!f->list(), 3000);
        QCOMPARE(f->stok("SELECT count(*) FROM StokHareket").toInt(), second.startsWith("Escape") ? 0 : 1);
    }

    void tabLeavesTheGrid_data() {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("next");
        QTest::newRow("Tab") << Qt::Key_Tab << "Command1";
        QTest::newRow("Shift+Tab") << Qt::Key_Backtab << "Combo2";
    }
    void tabLeavesTheGrid() {
        QFETCH(Qt::Key, key);
        QFETCH(QString, next);
        f->openList();
        f->grid()->setFocus();
        QTest::keyClick(f->grid(), key);
        QCOMPARE(QApplication::focusWidget()->objectName(), next);
    }

    void scannerEnterPrefersAnExactMatch_data() {
        QTest::addColumn<QString>("scanned");
        QTest::addColumn<QString>("handed");
        QTest::newRow("barcode over a longer barcode") << "1234"
                                                       << "G2";
        QTest::newRow("serial number over a longer barcode") << "5678"
                                                             << "G4";
        QTest::newRow("code over a longer serial number") << "G1"
                                                          << "G1";
        QTest::newRow("no exact match: the first prefix") << "567"
                                                          << "G3";
    }
    void scannerEnterPrefersAnExactMatch() {
        QFETCH(QString, scanned);
        QFETCH(QString, handed);
        f->addCard("G1", "Uzun barkod", "12345", "G10");
        f->addCard("G2", "Kısa barkod", "1234");
        f->addCard("G3", "Uzun barkod 2", "56789");
        f->addCard("G4", "Seri numaralı", "", "5678");
        f->open();
        f->click("cmdAdd");
        f->openList();
        search(scanned);
        f->key(f->search(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!f->list(), 3000);
        QCOMPARE(f->stok("SELECT group_concat(StokHarKod) FROM StokHareket").toString(), handed);
    }

    void everyColumnShowsBesideAVerticalScrollBar() {
        for (int i = 0; i < 60; ++i)
            f->addCard(QStringLiteral("Z%1").arg(i, 3, 10, QLatin1Char('0')), "Dolgu");
        f->openList();
        QTableView* g = f->grid();
        QTRY_VERIFY(g->verticalScrollBar()->isVisible());
        int columns = 0;
        for (int c = 0; c < Form2::kColumns; ++c)
            columns += g->columnWidth(c);
        QCOMPARE(columns, ui::twipsToPixelsX(1800 + 3300 + 1800 + 1500)); // the designed widths
        QVERIFY2(columns <= g->viewport()->width(),
                 qPrintable(QStringLiteral("%1 > %2").arg(columns).arg(g->viewport()->width())));
        QCOMPARE(g->horizontalScrollBar()->maximum(), 0);
    }

    void aDamagedLayoutFileNeverReachesTheGrid_data() {
        QTest::addColumn<QString>("fixture");   // in the fixtures folder; "fifo" is made here
        QTest::addColumn<QList<int>>("widths"); // twips; -1 for the grid's own width
        QTest::newRow("nan and inf") << "nan-inf.dat" << QList<int>{1800, 3300, 1800, 1500};
        QTest::newRow("beyond a screen") << "huge.dat" << QList<int>{1800, 3300, 900, 1500};
        QTest::newRow("wider than the grid") << "wide.dat" << QList<int>{-1, 3300, 1800, 1500};
        QTest::newRow("a FIFO in its place") << "fifo" << QList<int>{1800, 3300, 1800, 1500};
    }
    void aDamagedLayoutFileNeverReachesTheGrid() {
        QFETCH(QString, fixture);
        QFETCH(QList<int>, widths);
        const QString path = programFile("StokList.Dat");
        if (fixture == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            QVERIFY(QFile::copy(QStringLiteral(KTS_STOCK_FIXTURES "/") + fixture, path));
        f->openList();
        for (int c = 0; c < Form2::kColumns; ++c) {
            QVERIFY(!f->grid()->isColumnHidden(c));
            QCOMPARE(width(c), widths[c] < 0 ? ui_twips(f->grid()->width()) : widths[c]);
            const QString caption = f->grid()->model()->headerData(c, Qt::Horizontal).toString();
            QVERIFY2(caption.size() < 200, qPrintable(QString::number(caption.size())));
        }
    }

    void theBlockCaretStandsAtTheCaretAndBlinks() {
        const int flash = QApplication::cursorFlashTime();
        const auto restore = qScopeGuard([flash] { QApplication::setCursorFlashTime(flash); });
        QApplication::setCursorFlashTime(200);
        f->openList();
        QLineEdit* box = f->search();
        f->typeInto(box, "MM");
        box->setCursorPosition(1);
        // It blinks: two looks at the box, one with the block and one without; the block is dark.
        QImage on = box->grab().toImage(), off;
        QTRY_VERIFY_WITH_TIMEOUT((off = box->grab().toImage()) != on, 3000);
        const auto dark = [](const QImage& image, int x) {
            int n = 0;
            for (int y = 3; y < image.height() - 3; ++y) // inside the frame
                n += qGray(image.pixel(x, y)) < 128;
            return n;
        };
        const auto darkness = [&](const QImage& image) {
            int n = 0;
            for (int x = 3; x < image.width() - 3; ++x)
                n += dark(image, x);
            return n;
        };
        if (darkness(off) > darkness(on))
            std::swap(on, off);
        QList<int> block, ink;
        for (int x = 3; x < on.width() - 3; ++x) {
            bool differs = false;
            for (int y = 0; y < on.height(); ++y)
                differs = differs || on.pixel(x, y) != off.pixel(x, y);
            if (differs)
                block << x;
            if (dark(off, x) > 0)
                ink << x;
        }
        QVERIFY(!block.isEmpty() && !ink.isEmpty());
        QCOMPARE(block.size(), caret::blockCaretSize().width()); // one character wide
        QCOMPARE(block.last() - block.first() + 1, block.size());
        // The first M (the ink up to its first gap) lies wholly before the block.
        int firstMEnd = ink.first();
        while (ink.contains(firstMEnd + 1))
            ++firstMEnd;
        QVERIFY2(
            firstMEnd < block.first(),
            qPrintable(QStringLiteral("M ends at %1, block starts at %2").arg(firstMEnd).arg(block.first())));
    }
};

int TestStockList::ui_twips(int px) {
    return ui::pixelsToTwipsX(px);
}

QTEST_MAIN(TestStockList)
#include "tst_stock_list.moc"
