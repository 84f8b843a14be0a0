// Regression tests for faults found when the service desk was tried as a user would: each test
// is named after the fault it guards against.
#include "FitCaption.h"
#include "ServisFixture.h"
#include "Settings.h"
#include "SingleInstance.h"
#include "engine/Database.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QTimeEdit>

class TestServisReview : public QObject {
    Q_OBJECT

    std::unique_ptr<ServisFixture> f;

    void threeRecords() {
        f->addRecord(record("01-0001-01", "Bir"));
        QVariantMap second = record("01-0002-01", "İki");
        second["KayitTarih"] = "2025-12-31";
        second["KayitSaat"] = "08:05:00";
        f->addRecord(second);
        f->addRecord(record("01-0003-01", "Üç"));
    }
    QLineEdit* codeBox() { return f->child<QLineEdit>("MaskEdBox1"); }
    QWidget* box(int i) { return f->child<QWidget>(QStringLiteral("Text1_%1").arg(i)); }
    void type(QWidget* w, const QString& text) {
        w->setFocus();
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    void answerAndDelete(ui::Answer answer) {
        f->dialogs.answers << answer;
        f->click("cmdDelete");
    }
    QString servisText(const QString& query) { return f->servis(query).toString(); }
    int count(const QString& query) { return f->servis(query).toInt(); }
    void filterOn(const QString& value) {
        QTest::mouseClick(f->child<QCheckBox>("Liste"), Qt::LeftButton);
        QLineEdit* edit = f->child<QComboBox>("DBCombo1")->lineEdit();
        for (QChar c : value)
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::mouseClick(f->child<QCheckBox>("Check1"), Qt::LeftButton);
    }

private Q_SLOTS:
    void init() { f = std::make_unique<ServisFixture>(); }
    void cleanup() { f.reset(); }

    void restoreMenuClickFrozeDisplayAndDeleteHitAnotherRecord() {
        threeRecords();
        f->open();
        auto* gerial = f->window().findChild<QAction*>("Gerial");
        gerial->trigger();
        QVERIFY(!gerial->isChecked());
        f->click("Data1_Next");
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 2 / 3"));
        QCOMPARE(f->box(0), QStringLiteral("İki"));

        // While a restore holds the mark the display stands still; the arrows still move Data1.
        // What the user sees is what a deletion removes.
        gerial->setChecked(true);
        f->click("Data1_Next");
        QCOMPARE(f->box(0), QStringLiteral("İki"));
        answerAndDelete(ui::Answer::Yes);
        QVERIFY(f->dialogs.texts().value(0).contains("01-0002-01"));
        gerial->setChecked(false);
        QCOMPARE(count("SELECT count(*) FROM Servis WHERE ServisKayitNo = '01-0002-01'"), 0);
        QCOMPARE(count("SELECT count(*) FROM Servis"), 2);
    }

    void deletionLeftPickersAtTheMomentOfDeletion() {
        threeRecords();
        f->open();
        answerAndDelete(ui::Answer::Yes);
        QCOMPARE(f->box(0), QStringLiteral("İki"));
        QCOMPARE(f->child<QDateEdit>("KayitTarih")->date(), QDate(2025, 12, 31));
        QCOMPARE(f->child<QTimeEdit>("KayitSaat")->time(), QTime(8, 5));
        f->click("cmdDüzeltme");
        f->click("Evet_Hayir_0");
        QCOMPARE(servisText("SELECT KayitTarih || ' ' || KayitSaat FROM Servis WHERE Unvan = 'İki'"),
                 QStringLiteral("2025-12-31 08:05:00"));
    }

    void cancelLeftPanelBlankAndChangeThenBlankedRecord_data() {
        QTest::addColumn<QString>("button");
        QTest::newRow("new record") << "cmdAdd";
        QTest::newRow("change") << "cmdDüzeltme";
    }
    void cancelLeftPanelBlankAndChangeThenBlankedRecord() {
        QFETCH(QString, button);
        threeRecords();
        f->open();
        f->click(button);
        type(box(8), QStringLiteral("Vazgeçilecek"));
        f->click("Evet_Hayir_1");
        QCOMPARE(f->code(), QStringLiteral("01-0001-01"));
        QCOMPARE(f->box(0), QStringLiteral("Bir"));
        QCOMPARE(f->box(8), QStringLiteral("Yazıcı"));
        f->click("cmdDüzeltme");
        f->click("Evet_Hayir_0");
        QCOMPARE(servisText("SELECT Unvan || '/' || Sistem || '/' || Email FROM Servis WHERE ID = 1"),
                 QStringLiteral("Bir/Yazıcı/info@ornek.com.tr"));
    }

    void emptyCodeBoxWasCompletedTo00_0000_00() {
        f->open();
        f->click("cmdAdd");
        codeBox()->setFocus();
        codeBox()->clear();
        box(0)->setFocus();
        QCOMPARE(f->code(), QStringLiteral("__-____-__"));
        type(box(0), QStringLiteral("Kodsuz"));
        f->click("Evet_Hayir_0");
        QCOMPARE(f->dialogs.texts(), QStringList{"Kodu olmayan kayıt kabul edilmez."});
        QCOMPARE(count("SELECT count(*) FROM Servis"), 0);
    }

    void staleDataNoProposedACodeInUse_data() {
        QTest::addColumn<QString>("dataNo");
        QTest::addColumn<QString>("proposed");
        QTest::newRow("behind the records") << "01-0001-01"
                                            << "01-0004-01";
        QTest::newRow("emptied") << ""
                                 << "01-0004-01";
        QTest::newRow("current") << "01-0003-01"
                                 << "01-0004-01";
    }
    void staleDataNoProposedACodeInUse() {
        QFETCH(QString, dataNo);
        QFETCH(QString, proposed);
        threeRecords();
        f->addUsedItem("01-0002-01", "Başkasının vidası");
        settings::setDataNo(dataNo);
        f->open();
        f->click("cmdAdd");
        QCOMPARE(f->code(), proposed);
        QCOMPARE(f->window().recordCodeText(), proposed);
        QCOMPARE(f->gridItems(), QStringList{});
    }

    void closingDuringEntryThrewAwayWhatWasTyped_data() {
        QTest::addColumn<ui::Answer>("answer");
        QTest::addColumn<bool>("closed");
        QTest::newRow("no keeps the entry") << ui::Answer::No << false;
        QTest::newRow("yes closes") << ui::Answer::Yes << true;
    }
    void closingDuringEntryThrewAwayWhatWasTyped() {
        QFETCH(ui::Answer, answer);
        QFETCH(bool, closed);
        f->open();
        f->click("cmdAdd");
        type(box(0), QStringLiteral("Yazılan"));
        f->dialogs.answers << answer;
        QCOMPARE(f->window().close(), closed);
        QCOMPARE(f->dialogs.texts(), QStringList{"Girilen bilgiler kaydedilmedi. Yine de çıkılsın mı?"});
        QCOMPARE(f->dialogs.shown[0].defaultButton, ui::Answer::No);
        QCOMPARE(f->dialogs.shown[0].icon, ui::Icon::Question);
        QCOMPARE(f->window().KayitModu, closed ? 0 : 1);
        QCOMPARE(f->box(0), closed ? QString() : QStringLiteral("Yazılan"));
        QCOMPARE(count("SELECT count(*) FROM Servis"), 0);
    }

    void customerListOpenedWhileBrowsingAndStayedAfterPick_data() {
        QTest::addColumn<QString>("button"); // empty: browsing
        QTest::addColumn<bool>("opens");
        QTest::newRow("browsing") << "" << false;
        QTest::newRow("adding") << "cmdAdd" << true;
        QTest::newRow("changing") << "cmdDüzeltme" << false;
    }
    void customerListOpenedWhileBrowsingAndStayedAfterPick() {
        QFETCH(QString, button);
        QFETCH(bool, opens);
        f->addRecord(record("01-0001-01", "Bir"));
        f->addCustomer(QStringLiteral("Ali'nin Dükkanı"), QStringLiteral("Rize"));
        f->open();
        if (!button.isEmpty())
            f->click(button);
        QTest::mousePress(f->child<QLabel>("Label1_1"), Qt::LeftButton);
        auto* list = f->child<QTableView>("CariList");
        QCOMPARE(list->isVisible(), opens);
        if (!opens) {
            QCOMPARE(f->box(0),
                     button.isEmpty() || button == "cmdDüzeltme" ? QStringLiteral("Bir") : QString());
            return;
        }
        const QModelIndex first = list->model()->index(0, 0);
        list->setCurrentIndex(first);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(f->box(0), QStringLiteral("Ali'nin Dükkanı"));
        QCOMPARE(f->box(3), QStringLiteral("Rize"));
        QVERIFY(!list->isVisible());
    }

    void f1AddedUntitledCustomersAndNullEmails() {
        QVariantMap untitled = record("01-0001-01", "x");
        untitled["Unvan"] = QVariant();
        untitled["Email"] = QVariant();
        f->addRecord(untitled);
        QVariantMap titled = record("01-0002-01", "Başlıklı");
        titled["Email"] = QVariant();
        titled["Adres2"] = QVariant();
        f->addRecord(titled);
        f->open();
        QTest::keyClick(&f->window(), Qt::Key_F1);
        QTest::keyClick(&f->window(), Qt::Key_F1);
        QCOMPARE(count("SELECT count(*) FROM Cari"), 1);
        QCOMPARE(count("SELECT count(*) FROM Cari WHERE Unvan = 'Başlıklı' AND Email = '' AND Adres2 = ''"),
                 1);
    }

    void deletingFirstRecordFilledTheValueBox() {
        threeRecords();
        f->open();
        QTest::mouseClick(f->child<QCheckBox>("Liste"), Qt::LeftButton);
        answerAndDelete(ui::Answer::Yes);
        QCOMPARE(f->child<QComboBox>("DBCombo1")->currentText(), QString());
        QTest::mouseClick(f->child<QCheckBox>("Check1"), Qt::LeftButton);
        QCOMPARE(f->dialogs.texts().last(), QStringLiteral("Veri Seçimi Yok."));
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 1 / 2"));
    }

    void f1ShowedAllRecordsUnderFilitreVar() {
        threeRecords();
        f->open();
        filterOn(QStringLiteral("01-0002-01"));
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 1 / 1"));
        QTest::keyClick(&f->window(), Qt::Key_F1);
        auto* check = f->child<QCheckBox>("Check1");
        QVERIFY(!check->isChecked());
        QCOMPARE(check->text(), QStringLiteral("Filitre Yok"));
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 1 / 3"));
    }

    void commandCaptionsWereCutOffAndPrinterShowedASaveIcon() {
        f->open();
        for (const char* name : {"cmdAdd", "cmdDelete", "cmdDüzeltme", "cmdYazici", "cmdClose",
                                 "Evet_Hayir_0", "Evet_Hayir_1"}) {
            auto* b = f->child<QPushButton>(QString::fromUtf8(name));
            for (const bool bold : {false, true}) {
                QFont font = b->font();
                font.setBold(bold);
                QVERIFY2(captionWidth(b, font) <= b->width(), name);
            }
        }
        auto* printer = f->child<QPushButton>("cmdYazici");
        const QImage save = printer->style()->standardIcon(QStyle::SP_DialogSaveButton).pixmap(16).toImage();
        QVERIFY(printer->icon().pixmap(16).toImage() != save);
    }

    void altShortcutsOfHiddenButtonsTypedIntoBoxes() {
        f->open();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::AltModifier);
        QTRY_COMPARE(f->window().KayitModu, 1); // a shortcut presses its button in view, briefly
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::AltModifier); // its button is hidden now
        QCOMPARE(f->code(), QStringLiteral("01-0001-01"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        type(QApplication::focusWidget(), QStringLiteral("Iki kez"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::AltModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::AltModifier);
        QCOMPARE(f->box(0), QStringLiteral("Iki Kez"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_T, Qt::AltModifier);
        QTRY_COMPARE(f->window().KayitModu, 0);
        QCOMPARE(servisText("SELECT ServisKayitNo || ' ' || Unvan FROM Servis"),
                 QStringLiteral("01-0001-01 Iki Kez"));
        QCOMPARE(settings::dataNo(), QStringLiteral("01-0001-01"));
    }

    void secondCopyOnTheSameDirectoryOpenedAgain() {
        const QString dir = f->db.dir();
        SingleInstance first(dir);
        QCOMPARE(first.start(), SingleInstance::Start::First);
        QSignalSpy shown(&first, &SingleInstance::showRequested);
        SingleInstance second(dir);
        QCOMPARE(second.start(), SingleInstance::Start::AskedToShow);
        QTRY_COMPARE(shown.count(), 1);
    }

    void lockOfACrashedCopyBlockedTheNextStart() {
        const QString dir = f->db.dir();
        QFile lock(QDir(dir).filePath("KelvoraTeknikServis.lock"));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("999999\nKelvoraTeknikServis\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        lock.close();
        SingleInstance next(dir);
        QCOMPARE(next.start(), SingleInstance::Start::First);
    }

    void refusedSaveLeftACustomerWithoutItsRecord() {
        f->addRecord(record("01-0001-01", "Var Olan"));
        f->open();
        f->click("cmdAdd");
        codeBox()->setFocus();
        codeBox()->selectAll();
        QTest::keyClicks(codeBox(), QStringLiteral("01000101"));
        type(box(0), QStringLiteral("Ali'nin Dükkanı"));
        f->click("Evet_Hayir_0");
        QCOMPARE(f->dialogs.texts(), QStringList{"Dikkat bu Kod kayıtlı."});
        QCOMPARE(count("SELECT count(*) FROM Cari"), 0);
        QCOMPARE(f->window().KayitModu, 1);
    }

    void failedSettingsWriteLedToAWrongProposal() {
        // A folder where the settings file should be: every settings write fails.
        QVERIFY(QDir().mkpath(f->db.dir() + "/config/KelvoraTeknikServis/registry.txt"));
        f->open();
        for (const QString& title : {QStringLiteral("Birinci"), QStringLiteral("İkinci")}) {
            f->click("cmdAdd");
            type(box(0), title);
            f->click("Evet_Hayir_0");
            QCOMPARE(f->window().KayitModu, 0);
        }
        QCOMPARE(count("SELECT count(DISTINCT ServisKayitNo) FROM Servis"), 2);
    }

    void startupDidNotCheckWhatItOpened_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content"); // empty: a Servis table without Email
        QTest::addColumn<QString>("says");
        QTest::newRow("field missing") << "Servis.mdb" << QByteArray() << "Email";
        QTest::newRow("zero bytes") << "Stok.mdb" << QByteArray("") << "StokHareket tablosu";
        QTest::newRow("not a database") << "Servis.mdb" << QByteArray(4096, 'x') << "bozuk";
    }
    void startupDidNotCheckWhatItOpened() {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, says);
        const QString path = QDir(f->db.dir()).filePath(file);
        QFile::remove(path);
        if (content.isNull()) {
            engine::createDatabaseFile(path,
                                       {"CREATE TABLE Servis (ID INTEGER PRIMARY KEY, ServisKayitNo TEXT)",
                                        "CREATE TABLE Cari (ID INTEGER PRIMARY KEY, Unvan TEXT)"});
        } else {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        }
        frmServis w;
        QVERIFY(!w.Form_Load());
        QCOMPARE(f->dialogs.shown.size(), 1);
        QVERIFY2(f->dialogs.texts()[0].startsWith(file), qPrintable(f->dialogs.texts()[0]));
        QVERIFY2(f->dialogs.texts()[0].contains(says), qPrintable(f->dialogs.texts()[0]));
        QCOMPARE(f->dialogs.shown[0].icon, ui::Icon::Critical);
    }

    void unreadableSettingsFileWasThrownAwayAtTheNextWrite() {
        const QString path = f->db.dir() + "/config/KelvoraTeknikServis/registry.txt";
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        const char bytes[] = "\xff\xfe\x00garbage\n[LoginExTov\\Tov\\Properties]\n\"Prn\" = 1 \"HP\"\n";
        const QByteArray garbage(bytes, sizeof bytes - 1);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(garbage);
        file.close();
        settings::setDataNo("01-0001-01");
        settings::setDataNo("01-0002-01");
        QFile kept(path + ".okunamadi");
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), garbage);
        QCOMPARE(settings::dataNo(), QStringLiteral("01-0002-01"));
        QCOMPARE(settings::prn(), QStringLiteral("HP")); // what could be read is kept too
    }

    void filterMatchingNothingLeftThePreviousRecordShown() {
        threeRecords();
        f->addUsedItem("01-0001-01", "Vida");
        f->open();
        filterOn(QStringLiteral("99-9999-99"));
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 0 / 0"));
        QCOMPARE(f->code(), QStringLiteral("__-____-__"));
        QCOMPARE(f->box(0), QString());
        QCOMPARE(f->gridItems(), QStringList{});
        answerAndDelete(ui::Answer::Yes);
        QVERIFY(f->dialogs.shown.isEmpty()); // nothing to delete, nothing asked
        QCOMPARE(count("SELECT count(*) FROM Servis"), 3);
    }
};

QTEST_MAIN(TestServisReview)
#include "tst_servis_review.moc"
