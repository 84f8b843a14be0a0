#include "StockFixture.h"

#include "Form2.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QProcess>
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
};

QTEST_MAIN(TestServisMaterials)
#include "tst_servis_materials.moc"
