#include "StockFixture.h"

#include "Form2.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>

class TestServisMaterials : public QObject {
    Q_OBJECT

    std::unique_ptr<StockFixture> f;

    QLabel* label(int i) { return f->child<QLabel>(QStringLiteral("Label1_%1").arg(i)); }
    void hover(QWidget* w) {
        QMouseEvent move(QEvent::MouseMove, w->rect().center(), w->mapToGlobal(w->rect().center()),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &move);
    }
    Form2* stockList() { return f->window().findChild<Form2*>("Form2"); }
    void typeCode(const QString& code) {
        auto* box = f->child<QLineEdit>("MaskEdBox1");
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QString(code).remove('-'));
    }

private Q_SLOTS:
    void init() { f = std::make_unique<StockFixture>(); }
    void cleanup() { f.reset(); }

    void theLabelLightsUpAsALink() {
        f->open();
        QLabel* link = label(22);
        const QColor face = link->palette().color(QPalette::Window);
        hover(link);
        QCOMPARE(link->text(), QStringLiteral("Stok Listesi"));
        QCOMPARE(link->palette().color(QPalette::Window), QColor(255, 255, 0));
        hover(link); // still lit, nothing changes
        QCOMPARE(link->text(), QStringLiteral("Stok Listesi"));
        hover(label(21));
        QCOMPARE(link->text(), QStringLiteral("Kullanılan Malzeme"));
        QCOMPARE(link->palette().color(QPalette::Window), face);
    }

    void theLinkOpensTheListBesideAnOpenRecord_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("opens");
        QTest::newRow("browsing") << "" << false;
        QTest::newRow("adding") << "cmdAdd" << true;
        QTest::newRow("changing") << "cmdDüzeltme" << true;
    }
    void theLinkOpensTheListBesideAnOpenRecord() {
        QFETCH(QString, command);
        QFETCH(bool, opens);
        f->addRecord(record("01-0001-01", "Bir"));
        f->open();
        if (!command.isEmpty())
            f->click(command);
        QTest::mouseClick(label(22), Qt::LeftButton);
        QCOMPARE(stockList() != nullptr, opens);
        if (opens)
            QCOMPARE(stockList()->windowModality(), Qt::NonModal);
    }

    void theMenuOpensTheListBlocking() {
        f->open();
        f->window().findChild<QAction*>("StokKayıt")->trigger();
        QVERIFY(stockList());
        QCOMPARE(stockList()->windowModality(), Qt::ApplicationModal);
        QCOMPARE(stockList()->parentWidget(), &f->window());
        QCOMPARE(stockList()->windowTitle(), QStringLiteral(" Stok Listesi"));
    }

    void anOlderStockFileGetsItsIndexesInPlace() {
        for (const char* index :
             {"StokHareket_StokHarKod_Fold", "StokKartlar_Gurup_StokKod", "StokKartlar_StokAd_Order"})
            TestDatabase::sql(f->db.stok(), QStringLiteral("DROP INDEX %1").arg(index));
        f->addCard("A100", "Toner", "", "", "Sarf");
        f->addUsedItem("01-0001-01", "Vida");
        f->open();
        QCOMPARE(
            f->stok(
                 "SELECT count(*) FROM sqlite_master WHERE name IN "
                 "('StokHareket_StokHarKod_Fold', 'StokKartlar_Gurup_StokKod', 'StokKartlar_StokAd_Order')")
                .toInt(),
            3);
        QCOMPARE(f->stok("SELECT count(*) FROM StokKartlar").toInt() +
                     f->stok("SELECT count(*) FROM StokHareket").toInt(),
                 2);
        if (QStandardPaths::findExecutable("sqlite3").isEmpty())
            QSKIP("the sqlite3 shell is not installed");
        QProcess shell;
        shell.start(
            "sqlite3",
            {f->db.stok(), "PRAGMA integrity_check; SELECT StokKod FROM StokKartlar WHERE Gurup = 'Sarf';"});
        QVERIFY(shell.waitForFinished());
        QCOMPARE(QString::fromUtf8(shell.readAllStandardOutput()), QStringLiteral("ok\nA100\n"));
    }

    void deletingARowTakesExactlyThatOne_data() {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("middle row") << QStringList{"Vida", "Somun", "Pul"} << 1 << QStringList{"Vida", "Pul"};
        QTest::newRow("last row") << QStringList{"Vida", "Somun"} << 1 << QStringList{"Vida"};
        QTest::newRow("empty grid") << QStringList{} << -1 << QStringList{};
    }
    void deletingARowTakesExactlyThatOne() {
        QFETCH(QStringList, items);
        QFETCH(int, row);
        QFETCH(QStringList, left);
        f->addRecord(record("01-0001-01", "Bir"));
        f->addRecord(record("01-0002-01", "İki"));
        for (const QString& item : items)
            f->addUsedItem("01-0001-01", item);
        f->addUsedItem("01-0002-01", "Başka");
        f->open();
        f->click("cmdDüzeltme"); // the grid lies on the record panel, open only for a record
        auto* grid = f->child<QTableView>("DBGrid1");
        if (row >= 0)
            QTest::mouseClick(grid->viewport(), Qt::RightButton, Qt::NoModifier,
                              grid->visualRect(grid->model()->index(row, 0)).center());
        f->window().findChild<QMenu*>("PoPMenu")->hide();
        f->window().findChild<QAction*>("PopMnu")->trigger();
        QCOMPARE(f->gridItems(), left);
        QCOMPARE(f->stok("SELECT count(*) FROM StokHareket").toInt(), int(left.size()) + 1);
        QVERIFY(f->dialogs.shown.isEmpty());
        QVERIFY(!f->sounds().contains("Recycle.wav"));
    }

    void theListOpensCentredOverItsOwner_data() {
        QTest::addColumn<QPoint>("ownerAt");
        QTest::addColumn<bool>("centred"); // else only kept on the screen
        QTest::newRow("owner on the screen") << QPoint(40, 30) << true;
        QTest::newRow("owner half off the screen") << QPoint(-400, -300) << false;
    }
    void theListOpensCentredOverItsOwner() {
        QFETCH(QPoint, ownerAt);
        QFETCH(bool, centred);
        f->open();
        f->window().move(ownerAt);
        f->window().findChild<QAction*>("StokKayıt")->trigger();
        QVERIFY(stockList());
        const QRect list = stockList()->frameGeometry();
        const QRect room = f->window().screen()->availableGeometry();
        if (centred)
            QVERIFY2((list.center() - f->window().frameGeometry().center()).manhattanLength() <= 2,
                     qPrintable(QStringLiteral("list at %1,%2").arg(list.x()).arg(list.y())));
        else
            QVERIFY(room.contains(list.topLeft()));
        QVERIFY(list.topLeft() != QPoint(0, 0) || !centred);
    }

    void entryItemsFollowTheRecord_data() {
        QTest::addColumn<QString>("command");   // cmdAdd or cmdDüzeltme (on 01-0001-01)
        QTest::addColumn<QString>("codeTyped"); // into the code box before the hand-back; empty: none
        QTest::addColumn<bool>("reuseKey");     // the newest item goes before the hand-back
        QTest::addColumn<QString>("codeAfter"); // typed after the hand-back; empty: none
        QTest::addColumn<QString>("end");       // Evet_Hayir_0 (Tamam) or Evet_Hayir_1 (Vazgeç)
        QTest::addColumn<QString>("items");     // KayitNo:StokAd of every item afterwards
        QTest::newRow("new record abandoned after its key was reused") << "cmdAdd"
                                                                       << "" << true << ""
                                                                       << "Evet_Hayir_1"
                                                                       << "01-0001-01:Vida";
        QTest::newRow("new record whose code was edited before Tamam")
            << "cmdAdd"
            << "" << false << "01-0009-01"
            << "Evet_Hayir_0"
            << "01-0001-01:Vida,01-0001-01:Pul,01-0009-01:Toner Siyah";
        QTest::newRow("change of code, hand-back, Vazgeç")
            << "cmdDüzeltme"
            << "01-0007-01" << false << ""
            << "Evet_Hayir_1"
            << "01-0001-01:Vida,01-0001-01:Pul,01-0001-01:Toner Siyah";
        QTest::newRow("change of code, hand-back, Tamam")
            << "cmdDüzeltme"
            << "01-0007-01" << false << ""
            << "Evet_Hayir_0"
            << "01-0007-01:Vida,01-0007-01:Pul,01-0007-01:Toner Siyah";
    }
    void entryItemsFollowTheRecord() {
        QFETCH(QString, command);
        QFETCH(QString, codeTyped);
        QFETCH(bool, reuseKey);
        QFETCH(QString, codeAfter);
        QFETCH(QString, end);
        QFETCH(QString, items);
        f->addRecord(record("01-0001-01", "Bir"));
        f->addUsedItem("01-0001-01", "Vida");
        f->addUsedItem("01-0001-01", "Pul");
        f->addCard("A100", "Toner Siyah", "8690001");
        f->open();
        f->click(command);
        if (command == "cmdAdd")
            f->typeInto(f->child<QWidget>("Text1_0"), "Yeni");
        if (!codeTyped.isEmpty())
            typeCode(codeTyped);
        if (reuseKey) // another window removes the newest item: its key comes free again
            TestDatabase::sql(f->db.stok(), "DELETE FROM StokHareket WHERE StokAd = 'Pul'");
        f->openList();
        f->typeInto(f->search(), "8690001");
        f->key(f->search(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!f->list(), 3000);
        if (!codeAfter.isEmpty())
            typeCode(codeAfter);
        f->click(end);
        QCOMPARE(f->window().KayitModu, 0);
        QCOMPARE(
            f->stok(
                 "SELECT group_concat(KayitNo || ':' || StokAd) FROM (SELECT * FROM StokHareket ORDER BY ID)")
                .toString(),
            items);
    }

    void aMoveCutShortBetweenTheFilesIsFinishedAtStart_data() {
        QTest::addColumn<QString>("refusing"); // the table whose writes fail during "&Tamam"
        QTest::addColumn<bool>("reuseKey");    // a moved item's key is reused before the restart
        QTest::addColumn<QString>("recordAfter");
        QTest::addColumn<QString>("itemsBetween"); // after the failed "&Tamam"
        QTest::addColumn<QString>("itemsAfter");   // after the restart
        QTest::newRow("Stok.mdb fails after the record is saved") << "StokHareket" << false << "01-0005-01"
                                                                  << "01-0001-01:Vida,01-0001-01:Pul"
                                                                  << "01-0005-01:Vida,01-0005-01:Pul";
        QTest::newRow("a key reused by another record's item") << "StokHareket" << true << "01-0005-01"
                                                               << "01-0001-01:Vida,01-0001-01:Pul"
                                                               << "01-0005-01:Vida,01-0002-01:Somun";
        QTest::newRow("Servis.mdb refuses the record") << "Servis" << false << "01-0001-01"
                                                       << "01-0001-01:Vida,01-0001-01:Pul"
                                                       << "01-0001-01:Vida,01-0001-01:Pul";
    }
    void aMoveCutShortBetweenTheFilesIsFinishedAtStart() {
        QFETCH(QString, refusing);
        QFETCH(bool, reuseKey);
        QFETCH(QString, recordAfter);
        QFETCH(QString, itemsBetween);
        QFETCH(QString, itemsAfter);
        f->addRecord(record("01-0001-01", "Bir"));
        f->addUsedItem("01-0001-01", "Vida");
        f->addUsedItem("01-0001-01", "Pul");
        const QString file = refusing == "Servis" ? f->db.servis() : f->db.stok();
        const QString trigger = "CREATE TRIGGER refuse BEFORE UPDATE ON " + refusing +
                                " BEGIN SELECT RAISE(ABORT, 'disk dolu'); END";
        TestDatabase::sql(file, trigger);
        const auto items = [this] {
            return f
                ->stok("SELECT group_concat(KayitNo || ':' || StokAd) FROM (SELECT * FROM StokHareket ORDER "
                       "BY ID)")
                .toString();
        };
        f->open();
        f->click("cmdDüzeltme");
        typeCode("01-0005-01");
        f->click("Evet_Hayir_0");
        QCOMPARE(f->dialogs.shown.size(), 1);
        QVERIFY(f->dialogs.texts().first().contains("disk dolu"));
        QCOMPARE(items(), itemsBetween); // what a crash between the two files leaves
        TestDatabase::sql(file, "DROP TRIGGER refuse");
        if (reuseKey) {
            TestDatabase::sql(f->db.stok(), "DELETE FROM StokHareket WHERE StokAd = 'Pul'");
            f->addUsedItem("01-0002-01", "Somun");
        }
        f->open(); // the next start
        QCOMPARE(f->dialogs.shown.size(), 1);
        QCOMPARE(f->servis("SELECT group_concat(ServisKayitNo) FROM Servis").toString(), recordAfter);
        QCOMPARE(items(), itemsAfter);
        f->open(); // and the one after it changes nothing more
        QCOMPARE(items(), itemsAfter);
    }
};

QTEST_MAIN(TestServisMaterials)
#include "tst_servis_materials.moc"
