#include "ServisFixture.h"
#include "Settings.h"
#include "StatusReset.h"
#include "engine/Database.h"
#include "engine/PgStore.h"
#include "ui/Twips.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>
#include <functional>

class TestServisWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<ServisFixture> f;

    void threeRecords() {
        f->addRecord(record("01-0001-01", "ANKARA OTO", 1));
        f->addRecord(record("01-0002-01", "Bursa Cam", 2));
        f->addRecord(record("01-0003-01", "İzmir Elektrik", 0));
        f->addUsedItem("01-0001-01", "Vida");
        f->addUsedItem("01-0003-01", "Kablo");
        f->addUsedItem("01-0003-01", "Sigorta");
        f->addUsedItem("01-0009-01", "Başka kaydın");
    }

private Q_SLOTS:
    void init() { f = std::make_unique<ServisFixture>(); }
    void cleanup() { f.reset(); }

    void startupShowsTheFirstRecord() {
        threeRecords();
        frmServis& w = f->open();
        QCOMPARE(w.windowTitle(), QStringLiteral("Kelvora Teknik Servis Programı v1"));
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 1 / 3"));
        QCOMPARE(f->code(), QStringLiteral("01-0001-01"));
        QCOMPARE(f->box(0), QStringLiteral("ANKARA OTO"));
        QCOMPARE(f->child<QComboBox>("Durumu")->currentText(), QStringLiteral("Tamam"));
        QCOMPARE(f->gridItems(), QStringList{"Vida"});
        QCOMPARE(w.AlanAdlari[5], QStringLiteral("SonDurum"));
        QCOMPARE(w.KayitModu, 0);
        QVERIFY(f->sounds().contains("Giris.wav"));
        QVERIFY(!f->child<QWidget>("Frame1")->isEnabled());
    }

    void arrowsStepThroughRecordsAndTheGridFollows() {
        threeRecords();
        f->open();
        f->click("Data1_Next");
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 2 / 3"));
        QCOMPARE(f->box(0), QStringLiteral("Bursa Cam"));
        QCOMPARE(f->gridItems(), QStringList{});
        f->click("Data1_Last");
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 3 / 3"));
        QCOMPARE(f->gridItems(), (QStringList{"Kablo", "Sigorta"}));
        f->click("Data1_Next"); // stays on the last record
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 3 / 3"));
        f->click("Data1_Previous");
        f->click("Data1_First");
        QCOMPARE(f->code(), QStringLiteral("01-0001-01"));
    }

    // The arrows look at the count and the position before they move: records added at another
    // desk (or by another program) must count, whether the set was empty or at its last record.
    void arrowsReachRecordsAddedElsewhere_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<QString>("arrow");
        QTest::newRow("empty set, last") << 0 << "Data1_Last";
        QTest::newRow("on the last record, next") << 1 << "Data1_Next";
    }
    void arrowsReachRecordsAddedElsewhere() {
        QFETCH(int, before);
        QFETCH(QString, arrow);
        for (int i = 1; i <= before; ++i)
            f->addRecord(record(QStringLiteral("01-000%1-01").arg(i), QStringLiteral("Eski %1").arg(i)));
        f->open();
        f->click("Data1_Last");
        engine::Database& db = *f->window().Data1()->database();
        const quint64 version = db.version(QStringLiteral("Servis"));
        TestDatabase::fromAnotherProgram(f->db.servis(), "INSERT INTO Servis (ServisKayitNo, Unvan) VALUES "
                                                         "('02-0001-01', 'Öbür Masadan')");
        QTRY_VERIFY(db.version(QStringLiteral("Servis")) != version);
        f->click(arrow);
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: %1 / %1").arg(before + 1));
        QCOMPARE(f->box(0), QStringLiteral("Öbür Masadan"));
    }

    // Over a network each wait for the server costs its latency: a click asks for what it shows in
    // as few round trips as the work allows (the record's row comes in its screenful; its items,
    // and meanwhile its notification and history notes on the other connection, in one wait).
    void aClickWaitsOnTheServerOnlyForWhatItShows() {
        if (!TestDatabase::onServer())
            QSKIP("a file has no round trips");
        threeRecords();
        const struct {
            const char* what;
            std::function<void()> work;
            quint64 trips;
        } steps[] = {
            {"start-up, connections aside", [&] { f->open(); }, 10},
            {"next record", [&] { f->click("Data1_Next"); }, 1},
            {"last record", [&] { f->click("Data1_Last"); }, 1},
            {"a field chosen and a value typed",
             [&] {
                 auto* field = f->child<QComboBox>("Combo1");
                 field->setCurrentIndex(1);
                 Q_EMIT field->activated(1);
                 QLineEdit* value = f->child<QComboBox>("DBCombo1")->lineEdit();
                 value->setFocus();
                 QTest::keyClicks(value, QStringLiteral("Bursa Cam"));
             },
             2},
            // Leaving the box finds the value typed and shows its record; the filter's own first
            // record is then the one shown.
            {"the filter ticked",
             [&] {
                 QTest::mouseClick(f->child<QCheckBox>("Check1"), Qt::LeftButton);
                 QCOMPARE(f->caption(), QStringLiteral("Kayıt: 1 / 1"));
                 QCOMPARE(f->box(0), QStringLiteral("Bursa Cam"));
             },
             3},
            {"the filter unticked", [&] { QTest::mouseClick(f->child<QCheckBox>("Check1"), Qt::LeftButton); },
             2},
            {"a new record proposed",
             [&] {
                 settings::setDataNo(QStringLiteral("01-0003-01"));
                 f->click("cmdAdd");
             },
             3},
            {"a new record saved",
             [&] {
                 f->window().setText1(0, QStringLiteral("Yeni Müşteri"));
                 f->click("Evet_Hayir_0");
             },
             4},
            {"a record deleted",
             [&] {
                 f->dialogs.answers << ui::Answer::Yes;
                 f->click("cmdDelete");
             },
             4},
        };
        for (const auto& step : steps) {
            const quint64 before = engine::serverRoundTrips();
            step.work();
            const quint64 trips = engine::serverRoundTrips() - before;
            QVERIFY2(trips <= step.trips, qPrintable(QStringLiteral("%1: %2 round trips, at most %3 expected")
                                                         .arg(QLatin1String(step.what))
                                                         .arg(trips)
                                                         .arg(step.trips)));
        }
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 1 / 3"));
        QCOMPARE(
            f->servis(QStringLiteral("SELECT count(*) FROM Servis WHERE Unvan = 'Yeni Müşteri'")).toInt(), 0);
    }

    void emptyInstallationShowsAnEmptyPanel() {
        f->open();
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 0 / 0"));
        QCOMPARE(f->box(0), QString());
        QCOMPARE(f->gridItems(), QStringList{});
        f->click("Data1_Next");
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 0 / 0"));
    }

    void nullFieldsLoadAsEmpty_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("box");
        QTest::newRow("Email") << "Email" << 17;
        QTest::newRow("title") << "Unvan" << 0;
        QTest::newRow("work done") << "YapilanIs" << 15;
        QTest::newRow("technician") << "ServisiYapan" << 11;
    }
    void nullFieldsLoadAsEmpty() {
        QFETCH(QString, field);
        QFETCH(int, box);
        f->addRecord(record("01-0001-01", "Dolu", 2));
        QVariantMap gaps = record("01-0002-01", "Boşluklu", 1);
        gaps.remove(field);
        gaps.remove("Nerde");
        gaps.remove("KayitTarih");
        f->addRecord(gaps);
        f->addUsedItem("01-0002-01", "Conta");
        f->open();
        f->click("Data1_Next");
        QCOMPARE(f->box(box), QString());
        QCOMPARE(f->child<QComboBox>("Nerde")->currentIndex(), 0);
        QCOMPARE(f->child<QComboBox>("Durumu")->currentIndex(), 1); // fields after the gap still load
        QCOMPARE(f->gridItems(), QStringList{"Conta"});
        if (field != "Unvan")
            QCOMPARE(f->box(0), QStringLiteral("Boşluklu"));
    }

    void f1ResetsEveryStatusAndAddsMissingCustomersOnce() {
        threeRecords();
        f->addRecord(record("01-0004-01", "bursa cam", 2)); // same customer, other case
        f->addCustomer("ANKARA OTO");
        f->open();
        f->click("Data1_Last");
        QTest::keyClick(&f->window(), Qt::Key_F1);
        QCOMPARE(f->servis("SELECT count(*) FROM Servis WHERE SonDurum <> 0").toInt(), 0);
        QCOMPARE(f->servis("SELECT count(*) FROM Servis").toInt(), 4);
        QCOMPARE(TestDatabase::joined(f->db.servis(), "SELECT Unvan FROM Cari ORDER BY ID"),
                 QStringLiteral("ANKARA OTO|Bursa Cam|İzmir Elektrik"));
        QCOMPARE(f->servis("SELECT Sehir FROM Cari WHERE Unvan='Bursa Cam'").toString(),
                 QStringLiteral("Bursa"));
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 1 / 4"));
        QCOMPARE(f->child<QComboBox>("Durumu")->currentIndex(), 0);
        QTest::keyClick(&f->window(), Qt::Key_F1);
        QCOMPARE(f->servis("SELECT count(*) FROM Cari").toInt(), 3);
    }

    void aCancelledStatusResetChangesNothing() {
        threeRecords();
        auto db = engine::Database::open(f->db.servis());
        resetAllStatuses(*db, [](int, int) { return false; });
        QCOMPARE(f->servis("SELECT count(*) FROM Servis WHERE SonDurum <> 0").toInt(), 2);
        QCOMPARE(f->servis("SELECT count(*) FROM Cari").toInt(), 0);
    }

    void f1OnAnEmptyTableChangesNothing() {
        f->open();
        QTest::keyClick(&f->window(), Qt::Key_F1);
        QCOMPARE(f->servis("SELECT count(*) FROM Cari").toInt(), 0);
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 0 / 0"));
    }

    void repositionWaitsWhileRestoreIsMarked() {
        threeRecords();
        f->open();
        QAction* gerial = f->child<QAction>("Gerial");
        gerial->setCheckable(true);
        gerial->setChecked(true);
        f->click("Data1_Next");
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 1 / 3"));
        QCOMPARE(f->box(0), QStringLiteral("ANKARA OTO"));
        gerial->setChecked(false);
        f->click("Data1_Next");
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 3 / 3"));
        QCOMPARE(f->box(0), QStringLiteral("İzmir Elektrik"));
    }

    void closingFoldsTheWindow() {
        f->open();
        frmServis& w = f->window();
        QVERIFY(ui::pixelsToTwipsY(w.height()) > 405);
        w.close();
        w.close(); // a second request while it folds, as a window manager may send
        QTRY_VERIFY(!w.isVisible());
        QVERIFY(ui::pixelsToTwipsY(w.height()) <= 405);
        QVERIFY(ui::pixelsToTwipsX(w.width()) <= 1735);
        QCOMPARE(f->sounds().count("Kapan.wav"), 1);
    }

    void centredOnTheFirstActivationOnly() {
        frmServis& w = f->open();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QRect screen = w.screen()->geometry();
        QCOMPARE(w.x(), screen.left() + (screen.width() - w.width()) / 2);
        QCOMPARE(w.y(), screen.top() + (screen.height() - w.height()) / 2);
        w.move(10, 20);
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(w.pos(), QPoint(10, 20));
    }

    // A missing file, a server that cannot be reached or a server without our schema stops the
    // start with one message that names what is missing; nothing falls back to other data.
    void missingDatabaseIsNamedAndStopsTheStart_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("named");
        if (!TestDatabase::onServer()) {
            QTest::newRow("file") << "file"
                                  << "Stok.mdb";
            return;
        }
        QTest::newRow("unreachable server") << "unreachable"
                                            << "/yok/kts-sunucu:5432/kts";
        QTest::newRow("server without the schema") << "schema"
                                                   << "\"stok\" şeması yok";
    }
    void missingDatabaseIsNamedAndStopsTheStart() {
        QFETCH(QString, what);
        QFETCH(QString, named);
        const QString server = engine::server();
        const auto restore = qScopeGuard([&] { engine::setServer(server); });
        if (what == u"file")
            QFile::remove(f->db.stok());
        else if (what == u"unreachable")
            engine::setServer(QStringLiteral("host=/yok/kts-sunucu port=5432 dbname=kts user=kts"));
        else
            engine::runOnServer(server, {QStringLiteral("DROP SCHEMA stok CASCADE")});
        frmServis w;
        QVERIFY(!w.Form_Load());
        QCOMPARE(f->dialogs.shown.size(), 1);
        QVERIFY2(f->dialogs.shown[0].text.contains(named), qPrintable(f->dialogs.shown[0].text));
        QVERIFY(!QFile::exists(f->db.stok()));
    }
};

QTEST_MAIN(TestServisWindow)
#include "tst_servis_window.moc"
