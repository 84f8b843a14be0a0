#include "ServisFixture.h"
#include "engine/Database.h"

#include "Settings.h"
#include "clock/Clock.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTableView>
#include <QTest>

class TestServisEntry : public QObject {
    Q_OBJECT

    std::unique_ptr<ServisFixture> f;

    QWidget* box(int i) { return f->child<QWidget>(QStringLiteral("Text1_%1").arg(i)); }
    QLineEdit* line(int i) { return f->child<QLineEdit>(QStringLiteral("Text1_%1").arg(i)); }
    QLineEdit* codeBox() { return f->child<QLineEdit>("MaskEdBox1"); }
    void type(QWidget* w, const QString& text) {
        w->setFocus();
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    void setCode(const QString& code) {
        codeBox()->setFocus();
        codeBox()->selectAll();
        QTest::keyClicks(codeBox(), QString(code).remove('-'));
    }
    bool confirmBarShown() { return f->child<QFrame>("Picture2")->isVisible(); }
    int count(const QString& table) { return f->servis("SELECT count(*) FROM " + table).toInt(); }

private Q_SLOTS:
    void init() { f = std::make_unique<ServisFixture>(); }
    void cleanup() {
        f.reset();
        wallclock::setSource({});
    }

    void newRecordProposesTheNextCode() {
        f->addRecord(record("05-0099-12", "Eski"));
        f->addUsedItem("05-0099-12", "Vida");
        settings::setDataNo("05-0099-12");
        f->open();
        QCOMPARE(f->gridItems(), QStringList{"Vida"});
        f->click("cmdAdd");
        QCOMPARE(f->code(), QStringLiteral("05-0100-12"));
        QCOMPARE(f->gridItems(), QStringList{});
        QCOMPARE(f->box(0), QString());
        QCOMPARE(f->window().KayitModu, 1);
        QVERIFY(confirmBarShown());
        QVERIFY(!f->child<QFrame>("Picture1")->isVisible());
        QCOMPARE(QApplication::focusWidget(), codeBox());
    }

    void confirmingANewRecordStoresItAndItsCustomer() {
        // A moment just before midnight: the stored day is the day the record was started.
        wallclock::setSource([] { return QDateTime(QDate(2026, 5, 6), QTime(23, 59, 58)); });
        f->open();
        f->click("cmdAdd");
        QCOMPARE(f->code(), QStringLiteral("01-0001-01"));
        type(box(0), QStringLiteral("çağrı şükrü ışık"));
        QCOMPARE(f->box(0), QStringLiteral("Çağrı Şükrü Işık"));
        type(box(15), QStringLiteral("kart değişti"));
        f->click("Evet_Hayir_0");
        QVERIFY(f->dialogs.shown.isEmpty());
        QVERIFY(!confirmBarShown());
        QCOMPARE(f->window().KayitModu, 0);
        QCOMPARE(f->servis("SELECT Unvan FROM Servis WHERE ServisKayitNo='01-0001-01'").toString(),
                 QStringLiteral("Çağrı Şükrü Işık"));
        QCOMPARE(f->servis("SELECT YapilanIs FROM Servis").toString(), QStringLiteral("Kart Değişti"));
        QCOMPARE(f->servis("SELECT count(*) FROM Servis WHERE Adres1 = '' AND Email = '' AND Nerde = 0 "
                           "AND SonDurum = 0 AND KayitTarih = '2026-05-06' AND KayitSaat = '23:59:58'")
                     .toInt(),
                 1); // empty boxes store empty text, not nothing
        QCOMPARE(f->servis("SELECT Unvan FROM Cari").toString(), QStringLiteral("Çağrı Şükrü Işık"));
        QCOMPARE(settings::dataNo(), QStringLiteral("01-0001-01"));
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 1 / 1"));

        f->click("cmdAdd"); // the same customer again adds no second customer row
        QCOMPARE(f->code(), QStringLiteral("01-0002-01"));
        type(box(0), QStringLiteral("Çağrı Şükrü Işık"));
        f->click("Evet_Hayir_0");
        QCOMPARE(count("Cari"), 1);
        QCOMPARE(count("Servis"), 2);
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 2 / 2"));
    }

    void aDuplicateCodeCanBeCorrectedAndSaved() {
        f->addRecord(record("01-0001-01", "Var Olan"));
        f->open();
        f->click("cmdAdd");
        setCode("01-0001-01"); // the proposal skips stored codes; the user typed one
        type(box(0), QStringLiteral("Yeni Müşteri"));
        type(box(8), QStringLiteral("Monitör"));
        f->click("Evet_Hayir_0");
        QCOMPARE(f->dialogs.texts(), QStringList{"Dikkat bu Kod kayıtlı."});
        QCOMPARE(f->dialogs.shown[0].icon, ui::Icon::Exclamation);
        QVERIFY(confirmBarShown());
        QCOMPARE(f->window().KayitModu, 1);
        QCOMPARE(QApplication::focusWidget(), codeBox());
        QVERIFY(settings::dataNo().isEmpty());

        setCode("01-0002-01");
        f->click("Evet_Hayir_0");
        QCOMPARE(f->dialogs.shown.size(), 1);
        QVERIFY(!confirmBarShown());
        QCOMPARE(f->servis("SELECT Sistem FROM Servis WHERE ServisKayitNo='01-0002-01'").toString(),
                 QStringLiteral("Monitör"));
        QCOMPARE(settings::dataNo(), QStringLiteral("01-0002-01"));
    }

    void aDuplicateCodeWhileChanging() {
        f->addRecord(record("01-0001-01", "Bir"));
        f->addRecord(record("01-0002-01", "İki"));
        f->open();
        f->click("cmdDüzeltme");
        QCOMPARE(QApplication::focusWidget(), f->child<QWidget>("Durumu"));
        setCode("01-0002-01");
        f->click("Evet_Hayir_0");
        QCOMPARE(f->dialogs.texts(), QStringList{"Dikkat bu kod kayıtlı."});
        QCOMPARE(f->window().KayitModu, 2);
        f->click("Evet_Hayir_1"); // abandoning shows the record as stored
        QCOMPARE(f->code(), QStringLiteral("01-0001-01"));
        QCOMPARE(f->window().KayitModu, 0);
    }

    // Another desk saves the record while it is being changed here. A field only one side
    // changed keeps that side's value; a field both changed is asked about, with both values.
    void aChangeSavedAtAnotherDeskIsNotOverwrittenUnasked_data() {
        QTest::addColumn<QString>("theirSerial");
        QTest::addColumn<bool>("keepMine");
        QTest::addColumn<QString>("storedSerial");
        QTest::newRow("both changed the serial, mine kept") << "SN-ONLAR" << true << "SN-BENİM";
        QTest::newRow("both changed the serial, theirs kept") << "SN-ONLAR" << false << "SN-ONLAR";
        QTest::newRow("only the city changed there") << "SN-01-0001-01" << false << "SN-BENİM";
    }
    void aChangeSavedAtAnotherDeskIsNotOverwrittenUnasked() {
        QFETCH(QString, theirSerial);
        QFETCH(bool, keepMine);
        QFETCH(QString, storedSerial);
        f->addRecord(record("01-0001-01", "Bir"));
        f->open();
        f->click("cmdDüzeltme");
        line(10)->clear();
        type(box(10), "SN-BENİM");
        TestDatabase::fromAnotherProgram(
            f->db.servis(),
            QStringLiteral("UPDATE Servis SET SeriNo = '%1', Sehir = 'Öbür Şehir'").arg(theirSerial));
        f->dialogs.answers = {keepMine ? ui::Answer::Yes : ui::Answer::No};
        f->click("Evet_Hayir_0");
        const bool asked = theirSerial != u"SN-01-0001-01";
        QCOMPARE(f->dialogs.shown.size(), asked ? 1 : 0);
        if (asked) {
            const QString question = f->dialogs.shown[0].text;
            QVERIFY2(question.contains("Seri No\n    Sizin yazdığınız: \"SN-BENİM\"\n    Öbür masada "
                                       "kaydedilen: \"SN-ONLAR\""),
                     qPrintable(question));
            QVERIFY2(!question.contains("Şehir"), qPrintable(question)); // changed on one side only
            QCOMPARE(f->dialogs.shown[0].defaultButton, ui::Answer::No);
        }
        QCOMPARE(f->servis("SELECT SeriNo FROM Servis").toString(), storedSerial);
        QCOMPARE(f->servis("SELECT Sehir FROM Servis").toString(), QStringLiteral("Öbür Şehir"));
        QCOMPARE(f->window().KayitModu, 0);
        QCOMPARE(f->box(10), storedSerial); // the panel shows the record as stored
    }

    // Desks proposing codes at the same moment get different ones; an abandoned code is proposed
    // again. Each desk is a window of its own connection to the server.
    void desksAreProposedDifferentCodes() {
        if (!TestDatabase::onServer())
            QSKIP("one desk on files");
        f->addRecord(record("01-0001-01", "Bir"));
        settings::setDataNo("01-0001-01");
        f->open();
        const QString server = engine::server();
        const auto restore = qScopeGuard([&] { engine::setServer(server); });
        engine::setServer(server + QStringLiteral(" application_name=ikinci_masa"));
        frmServis other;
        QVERIFY(other.Form_Load());
        const auto add = [](QWidget& w) {
            QTest::mouseClick(w.findChild<QAbstractButton*>("cmdAdd"), Qt::LeftButton);
            return w.findChild<QLineEdit*>("MaskEdBox1")->displayText();
        };
        QCOMPARE(add(f->window()), QStringLiteral("01-0002-01"));
        QCOMPARE(add(other), QStringLiteral("01-0003-01"));
        QTest::mouseClick(other.findChild<QAbstractButton*>("Evet_Hayir_1"), Qt::LeftButton);
        f->click("Evet_Hayir_1");
        QCOMPARE(add(other), QStringLiteral("01-0002-01"));
    }

    void changingARecordStoresIt() {
        f->addRecord(record("01-0001-01", "Bir", 0));
        f->open();
        f->click("cmdDüzeltme");
        f->child<QComboBox>("Durumu")->setCurrentIndex(2);
        f->click("Evet_Hayir_0");
        QCOMPARE(f->servis("SELECT SonDurum FROM Servis").toInt(), 2);
        QCOMPARE(f->child<QComboBox>("Durumu")->currentText(), QStringLiteral("Olmuyor"));
        QVERIFY(!f->child<QWidget>("Frame1")->isEnabled());
    }

    void missingCodeOrTitleIsRefused_data() {
        QTest::addColumn<bool>("changing");
        QTest::addColumn<bool>("clearCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("new, no code") << false << true << "Kodu olmayan kayıt kabul edilmez.";
        QTest::newRow("new, no title") << false << false << "Ünvanı olmayan kayıt kabul edilmez.";
        QTest::newRow("change, no title") << true << false << "Ünvanı olmayan kayıt kabul edilmez.";
    }
    void missingCodeOrTitleIsRefused() {
        QFETCH(bool, changing);
        QFETCH(bool, clearCode);
        QFETCH(QString, message);
        f->addRecord(record("01-0001-01", "Bir"));
        f->open();
        f->click(changing ? "cmdDüzeltme" : "cmdAdd");
        box(0)->setFocus(); // leaving the code box would complete it to 00-0000-00
        if (clearCode)
            codeBox()->setText(QString());
        else
            line(0)->clear();
        f->click("Evet_Hayir_0");
        QCOMPARE(f->dialogs.texts(), QStringList{message});
        QCOMPARE(f->dialogs.shown[0].icon, ui::Icon::Critical);
        QCOMPARE(f->window().KayitModu, changing ? 2 : 1);
        QCOMPARE(QApplication::focusWidget(), clearCode ? static_cast<QWidget*>(codeBox()) : box(0));
        QCOMPARE(TestDatabase::joined(f->db.servis(), "SELECT Unvan FROM Servis ORDER BY ID"),
                 QStringLiteral("Bir"));
    }

    void anyOtherWriteErrorIsReportedAndKeepsTheEntry() {
        TestDatabase::refuse(f->db.servis(), "INSERT", "Servis");
        f->open();
        f->click("cmdAdd");
        type(box(0), "Birisi");
        f->click("Evet_Hayir_0");
        QCOMPARE(f->dialogs.shown.size(), 1);
        QVERIFY(f->dialogs.shown[0].text.startsWith("Kayıt yazılamadı"));
        QVERIFY(confirmBarShown());
        QCOMPARE(f->box(0), QStringLiteral("Birisi"));
        QVERIFY(settings::dataNo().isEmpty());
    }

    void nothingMovesAwayFromAnOpenRecord() {
        f->addRecord(record("01-0001-01", "Bir"));
        f->addRecord(record("01-0002-01", "İki"));
        settings::setDataNo("01-0002-01");
        f->open();
        f->window().Data1()->rs().findFirst("ServisKayitNo='01-0002-01'");
        f->click("cmdAdd");
        type(box(0), "Yazılan");
        f->click("Data1_First");
        QTest::keyClick(&f->window(), Qt::Key_F3);
        QTest::keyClick(&f->window(), Qt::Key_F1);
        QCOMPARE(f->box(0), QStringLiteral("Yazılan"));
        f->click("Evet_Hayir_0");
        QCOMPARE(f->servis("SELECT count(*) FROM Servis").toInt(), 3);
        f->click("Data1_First"); // the navigator works again once the record is closed
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 1 / 3"));
    }

    void abandoningANewRecordAddsNothing() {
        f->addRecord(record("01-0001-01", "Bir"));
        f->open();
        f->click("cmdAdd");
        type(box(0), "Vazgeçilen");
        f->click("Evet_Hayir_1");
        QCOMPARE(count("Servis"), 1);
        QCOMPARE(f->code(), QStringLiteral("01-0001-01")); // the current record again
        QCOMPARE(f->box(0), QStringLiteral("Bir"));
        QVERIFY(!confirmBarShown());
    }

    void deletingTakesTheUsedItemsWithIt_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << true;
        QTest::newRow("no") << false;
    }
    void deletingTakesTheUsedItemsWithIt() {
        QFETCH(bool, yes);
        f->addRecord(record("01-0001-01", "Silinecek"));
        f->addRecord(record("01-0002-01", "Kalacak"));
        f->addUsedItem("01-0001-01", "Vida");
        f->addUsedItem("01-0001-01", "Somun");
        f->addUsedItem("01-0002-01", "Kablo");
        f->open();
        f->dialogs.answers << (yes ? ui::Answer::Yes : ui::Answer::No);
        f->click("cmdDelete");
        QCOMPARE(f->dialogs.texts(),
                 QStringList{
                     "Kayıt Kodu : 01-0001-01\nÜnvanı       : Silinecek\n\nBu Kayıt Dosyadan Silinsinmi ?"});
        QCOMPARE(f->dialogs.shown[0].defaultButton, ui::Answer::No);
        QCOMPARE(f->dialogs.shown[0].buttons, ui::Buttons::YesNo);
        QCOMPARE(count("Servis"), yes ? 1 : 2);
        QCOMPARE(TestDatabase::joined(f->db.stok(), "SELECT StokAd FROM StokHareket ORDER BY ID"),
                 yes ? QStringLiteral("Kablo") : QStringLiteral("Vida|Somun|Kablo"));
        QCOMPARE(f->sounds().contains("Recycle.wav"), yes);
        QCOMPARE(f->caption(), yes ? QStringLiteral("Kayıt: 1 / 1") : QStringLiteral("Kayıt: 1 / 2"));
        QCOMPARE(f->gridItems(), yes ? QStringList{"Kablo"} : (QStringList{"Vida", "Somun"}));
    }

    void enterMovesOnExceptInTheLongTexts() {
        f->open();
        f->click("cmdAdd");
        box(15)->setFocus();
        type(box(15), "bir");
        QTest::keyClick(box(15), Qt::Key_Return);
        type(box(15), "iki");
        QCOMPARE(f->box(15), QStringLiteral("Bir\nİki"));
        box(13)->setFocus();
        QTest::keyClick(box(13), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), box(14));
        QCOMPARE(f->box(13), QString());
        box(0)->setFocus();
        QTest::keyClick(box(0), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), box(1));
        f->child<QWidget>("Nerde")->setFocus();
        QTest::keyClick(f->child<QWidget>("Nerde"), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f->child<QWidget>("Durumu"));
        codeBox()->setFocus();
        QTest::keyClick(codeBox(), Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), box(0));
    }

    void emailKeepsItsLowerCaseLetter() {
        f->open();
        f->click("cmdAdd");
        type(box(17), "info@servis.com");
        type(box(8), "info");
        QCOMPARE(f->box(17), QStringLiteral("info@servis.com"));
        QCOMPARE(f->box(8), QStringLiteral("İnfo"));
    }

    void leavingTheCodeBoxCompletesIt() {
        f->open();
        f->click("cmdAdd");
        codeBox()->setText(QString());
        codeBox()->setFocus();
        codeBox()->setCursorPosition(3);
        QTest::keyClicks(codeBox(), "12");
        box(0)->setFocus();
        QCOMPARE(f->code(), QStringLiteral("00-0012-00"));
    }

    void typeAheadCompletesTheTitle() {
        f->addCustomer("ANKARA ELEKTRIK", "Ankara");
        f->addCustomer("ANKARA OTO", "Ankara");
        f->addCustomer("Ali'nin Dükkanı", "İzmir");
        f->open();
        f->click("cmdAdd");
        type(box(0), "a");
        QCOMPARE(f->box(0), QStringLiteral("ANKARA ELEKTRIK"));
        QCOMPARE(line(0)->selectedText(), QStringLiteral("NKARA ELEKTRIK"));
        QCOMPARE(f->box(3), QStringLiteral("Ankara"));
        type(box(0), "li'");
        QCOMPARE(f->box(0), QStringLiteral("Ali'nin Dükkanı"));
        QCOMPARE(f->box(3), QStringLiteral("İzmir"));
        QTest::keyClick(box(0), Qt::Key_Backspace); // removes the selection; nothing is searched
        QCOMPARE(f->box(0), QStringLiteral("Ali'"));
        QCOMPARE(f->box(3), QStringLiteral("İzmir"));
        type(box(0), "x");
        QCOMPARE(f->box(0), QStringLiteral("Ali'x"));
        QCOMPARE(f->box(3), QString());
        f->click("Evet_Hayir_0");
        QCOMPARE(f->servis("SELECT count(*) FROM Cari WHERE Unvan='Ali''x'").toInt(), 1);
    }

    void aTypedBlankIsKept() {
        f->addCustomer("Akdeniz Oto", "Antalya");
        f->addCustomer("Ak Market", "Konya");
        f->open();
        f->click("cmdAdd");
        type(box(0), "ak");
        QCOMPARE(f->box(0), QStringLiteral("Akdeniz Oto"));
        type(box(0), " m");
        QCOMPARE(f->box(0), QStringLiteral("Ak Market"));
        QCOMPARE(f->box(3), QStringLiteral("Konya"));
    }

    void showingARecordStartsNoSearch() {
        f->addCustomer("ANKARA ELEKTRIK", "Ankara");
        f->addRecord(record("01-0001-01", "A"));
        f->open();
        QCOMPARE(f->box(0), QStringLiteral("A"));
        QCOMPARE(f->box(3), QStringLiteral("A"));
    }

    void popUpListFillsSevenBoxes() {
        f->addCustomer("ANKARA ELEKTRIK", "Ankara");
        f->addCustomer("BURSA OTO", "Bursa");
        f->open();
        f->click("cmdAdd");
        type(box(17), "kalsin@ornek.com");
        QTest::mouseClick(f->child<QLabel>("Label1_1"), Qt::LeftButton);
        auto* list = f->child<QTableView>("CariList");
        QVERIFY(list->isVisible());
        QCOMPARE(list->model()->headerData(0, Qt::Horizontal).toString(), QString(30, ' ') + "ünvan");
        const QRect row = list->visualRect(list->model()->index(1, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
        QCOMPARE(f->box(0), QStringLiteral("BURSA OTO"));
        QCOMPARE(f->box(3), QStringLiteral("Bursa"));
        QCOMPARE(f->box(17), QStringLiteral("kalsin@ornek.com"));
        QCOMPARE(QApplication::focusWidget(), f->child<QWidget>("KayitTarih"));
        QVERIFY(!list->isVisible());
    }

    void popUpListIsNotOfferedWhileChanging() {
        f->addCustomer("ANKARA ELEKTRIK", "Ankara");
        f->addRecord(record("01-0001-01", "Bir"));
        f->open();
        f->click("cmdDüzeltme");
        QTest::mouseClick(f->child<QLabel>("Label1_1"), Qt::LeftButton);
        QVERIFY(!f->child<QTableView>("CariList")->isVisible());
    }
};

QTEST_MAIN(TestServisEntry)
#include "tst_servis_entry.moc"
