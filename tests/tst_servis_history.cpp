#include "ServisFixture.h"

#include "History.h"
#include "Schema.h"
#include "engine/Database.h"
#include "frmGecmis.h"
#include "frmKaydaGit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <sqlite3.h>

namespace {

struct Row {
    const char* code;
    const char* serial;
    const char* title;
    const char* date;
};

// Three records of one device and one customer, written in different letter cases and blanks;
// near misses that a Turkish reader tells apart (C/Ç, I/İ); an empty serial number.
const Row kRows[] = {
    {"01-0001-01", "ab12 ", "Ali'nin Dükkanı", "2024-01-10"},
    {"01-0002-01", "AB12", "ALİ'NİN DÜKKANI", "2024-05-20"},
    {"01-0003-01", " Ab12", "ali'nin dükkanı ", "2025-02-01"},
    {"01-0004-01", "kılıç-7", "Işık Ltd", "2024-03-03"},
    {"01-0005-01", "KILIÇ-7", "ışık ltd", "2024-04-04"},
    {"01-0006-01", "KILIC-7", "Isik Ltd", "2024-06-06"},
    {"01-0007-01", "", "Boş Seri", "2024-07-07"},
    {"01-0008-01", "kilic-7", "İsik Ltd", "2024-08-08"},
};

const QString kRefused = QStringLiteral(
    "Bir kayıt girilirken ya da düzeltilirken başka kayda geçilemez; önce kaydı \"Tamam\" ya da "
    "\"Vazgeç\" ile kapatın.");

} // namespace

class TestServisHistory : public QObject {
    Q_OBJECT

    std::unique_ptr<ServisFixture> f;

    void openWithRows() {
        for (const Row& r : kRows) {
            QVariantMap fields = record(r.code, r.title, 1);
            fields["SeriNo"] = r.serial;
            fields["KayitTarih"] = r.date;
            f->addRecord(fields);
        }
        f->open();
    }
    void showRecord(int position) { f->window().Data1()->rs().setAbsolutePosition(position); }
    QLabel* link(int box) const { return f->child<QLabel>(QStringLiteral("Text1_%1_Gecmis").arg(box)); }
    QString linkText(int box) const { return link(box)->isVisible() ? link(box)->text() : QString(); }
    void type(QWidget* w, const QString& text) {
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    frmGecmis* history() const { return f->window().findChild<frmGecmis*>(); }
    QStringList historyCodes() const {
        auto* list = history()->findChild<QTableWidget*>("GecmisListe");
        QStringList codes;
        for (int r = 0; r < list->rowCount(); ++r)
            codes << list->item(r, 0)->text();
        return codes;
    }
    QString historyNote() const {
        auto* note = history()->findChild<QLabel*>("GecmisNot");
        return note->isVisible() ? note->text() : QString();
    }
    void chooseHistoryRow(const QString& code) {
        auto* list = history()->findChild<QTableWidget*>("GecmisListe");
        list->setCurrentCell(historyCodes().indexOf(code), 0);
        QTest::keyClick(list, Qt::Key_Return);
    }
    frmKaydaGit* kaydaGit(const QString& text) {
        if (!f->window().findChild<frmKaydaGit*>())
            f->window().findChild<QAction*>("KaydaGit")->trigger();
        auto* box = f->window().findChild<frmKaydaGit*>();
        auto* line = box->findChild<QLineEdit*>("KaydaGitMetin");
        line->selectAll();
        type(line, text);
        QTest::keyClick(line, Qt::Key_Return);
        return f->window().findChild<frmKaydaGit*>();
    }
    // Closed windows delete themselves on the next pass of the event loop.
    void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

private Q_SLOTS:
    void init() { f = std::make_unique<ServisFixture>(); }
    void cleanup() { f.reset(); }

    void countsFollowTheShownRecord_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("customer");
        QTest::newRow("case and blanks, apostrophe") << 0 << "2 önceki kayıt"
                                                     << "Müşterinin 2 kaydı";
        QTest::newRow("dotless i and ç") << 3 << "1 önceki kayıt"
                                         << "Müşterinin 1 kaydı";
        QTest::newRow("c is not ç, I is not ı") << 5 << ""
                                                << "";
        QTest::newRow("empty serial number") << 6 << ""
                                             << "";
        QTest::newRow("i is not ı") << 7 << ""
                                    << "";
    }
    void countsFollowTheShownRecord() {
        QFETCH(int, position);
        QFETCH(QString, device);
        QFETCH(QString, customer);
        openWithRows();
        showRecord(0);
        showRecord(position);
        QCOMPARE(linkText(10), device);
        QCOMPARE(linkText(0), customer);
    }

    // The box shows only what its limit takes; an imported title may be longer, and the link
    // counts the shown record's own title.
    void titleLongerThanItsBoxWasNotCounted() {
        const QString title = QStringLiteral("İstikbal Ofis Sistemleri Tic. Ltd. Şti. Merkez Şubesi Kat 3");
        f->addRecord(record("01-0001-01", title));
        f->addRecord(record("01-0002-01", title));
        f->open();
        QVERIFY(f->box(0).size() < title.size());
        QCOMPARE(linkText(0), QStringLiteral("Müşterinin 1 kaydı"));
    }

    void typedTextIsCountedAfterAPause() {
        openWithRows();
        f->click("cmdAdd");
        QCOMPARE(linkText(10), QString()); // the new record's boxes are empty
        auto* serial = f->child<QLineEdit>("Text1_10");
        serial->setFocus();
        type(serial, "ab12");
        // A new record is none of the stored ones: all three count.
        QTRY_COMPARE(linkText(10), QStringLiteral("3 önceki kayıt"));
        serial->clear();
        QCOMPARE(linkText(10), QString());
    }

    void historyListsTheOtherRecordsNewestFirst() {
        openWithRows();
        f->addUsedItem("01-0003-01", "Toner");
        f->addUsedItem("01-0003-01", "Merdane");
        f->addUsedItem("01-0001-01", "Kartuş");
        TestDatabase::sql(f->db.servis(), "UPDATE Servis SET BasvuruSebebi = ?, Sonuc = ? WHERE ID = 3",
                          {"Kağıt sıkışıyor\nikinci satır", "Çalışıyor\r\nteslim edildi"});
        showRecord(1);
        QTest::mouseClick(link(10), Qt::LeftButton);
        QVERIFY(history());
        QCOMPARE(history()->windowTitle(), QStringLiteral("Cihaz Geçmişi"));
        QCOMPARE(historyCodes(), (QStringList{"01-0003-01", "01-0001-01"}));
        auto* list = history()->findChild<QTableWidget*>("GecmisListe");
        QStringList first;
        for (int c = 1; c < list->columnCount(); ++c)
            first << list->item(0, c)->text();
        QCOMPARE(first, (QStringList{"01/02/2025", "Yazıcı Laser 1020", "Kağıt sıkışıyor", "Çalışıyor",
                                     "Tamam", "Toner, Merdane"}));
        QCOMPARE(list->item(1, list->columnCount() - 1)->text(), QStringLiteral("Kartuş"));
        QCOMPARE(historyNote(), QString());
    }

    void customerHistoryByTitleWithAnApostrophe() {
        openWithRows();
        showRecord(2);
        QTest::mouseClick(link(0), Qt::LeftButton);
        QCOMPARE(history()->windowTitle(), QStringLiteral("Müşteri Geçmişi"));
        QCOMPARE(historyCodes(), (QStringList{"01-0002-01", "01-0001-01"}));
    }

    // The list panel's filter keeps only 01-0002-01; the record chosen lies outside it.
    void jumpingShowsTheRecordAsNavigationDoes_data() {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("Enter") << false;
        QTest::newRow("double click") << true;
    }
    void jumpingShowsTheRecordAsNavigationDoes() {
        QFETCH(bool, doubleClick);
        openWithRows();
        QTest::mouseClick(f->child<QCheckBox>("Liste"), Qt::LeftButton);
        auto* field = f->child<QComboBox>("Combo1");
        field->setCurrentIndex(4);
        Q_EMIT field->activated(4);
        type(f->child<QComboBox>("DBCombo1")->lineEdit(), "AB12");
        QTest::mouseClick(f->child<QCheckBox>("Check1"), Qt::LeftButton);
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 1 / 1"));

        QTest::mouseClick(link(10), Qt::LeftButton);
        if (doubleClick) {
            QVERIFY(QTest::qWaitForWindowExposed(history()));
            auto* list = history()->findChild<QTableWidget*>("GecmisListe");
            const QRect cell = list->visualItemRect(list->item(int(historyCodes().indexOf("01-0003-01")), 2));
            // A double click is a click followed by the second press.
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
        } else {
            chooseHistoryRow("01-0003-01");
        }
        settle();
        QVERIFY(!history());
        QVERIFY(!f->child<QCheckBox>("Check1")->isChecked());
        QCOMPARE(f->child<QCheckBox>("Check1")->text(), QStringLiteral("Filitre Yok"));
        QCOMPARE(f->code(), QStringLiteral("01-0003-01"));
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 3 / 8"));
        QCOMPARE(f->window().Data1()->rs().value("ServisKayitNo").toString(), QStringLiteral("01-0003-01"));
        QCOMPARE(linkText(10), QStringLiteral("2 önceki kayıt"));

        // Deleting now asks about, and would delete, the record on screen.
        f->dialogs.answers << ui::Answer::No;
        f->click("cmdDelete");
        QVERIFY(f->dialogs.texts().value(0).startsWith("Kayıt Kodu : 01-0003-01"));
    }

    void jumpingIsRefusedWhileARecordIsOpen_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("box");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("title");
        QTest::newRow("adding, Ctrl+H") << "cmdAdd" << 10 << int(Qt::Key_H) << "AB12"
                                        << "Cihaz Geçmişi";
        QTest::newRow("adding, Ctrl+M") << "cmdAdd" << 0 << int(Qt::Key_M) << "ışık ltd"
                                        << "Müşteri Geçmişi";
        QTest::newRow("changing, Ctrl+H") << "cmdDüzeltme" << 10 << int(Qt::Key_H) << ""
                                          << "Cihaz Geçmişi";
    }
    void jumpingIsRefusedWhileARecordIsOpen() {
        QFETCH(QString, button);
        QFETCH(int, box);
        QFETCH(int, key);
        QFETCH(QString, typed);
        QFETCH(QString, title);
        openWithRows();
        showRecord(3);
        f->click(button);
        const QString code = f->code();
        auto* line = f->child<QLineEdit>(QStringLiteral("Text1_%1").arg(box));
        line->setFocus();
        type(line, typed);
        QTest::keyClick(line, Qt::Key(key), Qt::ControlModifier);
        QVERIFY(history());
        QCOMPARE(history()->windowTitle(), title);
        QVERIFY(historyNote().startsWith(kRefused));
        const QString target = historyCodes().value(0);
        QVERIFY(!target.isEmpty());
        chooseHistoryRow(target);
        settle();
        QVERIFY(history()); // it stays, and says why
        QCOMPARE(historyNote(), kRefused);
        QCOMPARE(f->code(), code);
        QVERIFY(f->window().KayitModu != frmServis::kBrowsing);
    }

    void kaydaGit_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QStringList>("history");
        QTest::newRow("code") << "01-0004-01"
                              << "01-0004-01"
                              << "" << QStringList{};
        QTest::newRow("code without hyphens") << "01000501"
                                              << "01-0005-01"
                                              << "" << QStringList{};
        QTest::newRow("unknown code") << "01000901"
                                      << "01-0001-01"
                                      << "01-0009-01 kodlu kayıt yok." << QStringList{};
        QTest::newRow("one serial") << "kılıc-7"
                                    << "01-0006-01"
                                    << "" << QStringList{};
        QTest::newRow("serial of several") << "AB12"
                                           << "01-0001-01"
                                           << "" << QStringList{"01-0003-01", "01-0002-01", "01-0001-01"};
        QTest::newRow("unknown text") << "ZZ-9"
                                      << "01-0001-01"
                                      << "\"ZZ-9\" kodlu ya da seri numaralı kayıt yok." << QStringList{};
    }
    void kaydaGit() {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, note);
        QFETCH(QStringList, history);
        openWithRows();
        frmKaydaGit* box = kaydaGit(typed);
        settle();
        QCOMPARE(f->code(), shown);
        QCOMPARE(f->window().Data1()->rs().value("ServisKayitNo").toString(), shown);
        if (note.isEmpty()) {
            QVERIFY(!f->window().findChild<frmKaydaGit*>());
        } else {
            QVERIFY(box);
            QCOMPARE(box->findChild<QLabel*>("KaydaGitNot")->text(), note);
            // The next scan replaces the text.
            QVERIFY(box->findChild<QLineEdit*>("KaydaGitMetin")->hasSelectedText());
            kaydaGit("01-0002-01");
            settle();
            QCOMPARE(f->code(), QStringLiteral("01-0002-01"));
        }
        QCOMPARE(this->history() ? historyCodes() : QStringList(), history);
    }

    void kaydaGitWaitsWhileARecordIsOpen() {
        openWithRows();
        f->click("cmdAdd");
        const QString code = f->code();
        frmKaydaGit* box = kaydaGit("01-0004-01");
        QVERIFY(box);
        QCOMPARE(box->findChild<QLabel*>("KaydaGitNot")->text(), kRefused);
        QCOMPARE(f->code(), code);
    }

    // The key index is plain SQLite: rows written by another tool are counted, the index stays
    // consistent, and a file without it gets it at start-up.
    void theIndexIsPlainSqlite() {
        TestDatabase::sql(f->db.servis(), "DROP INDEX Servis_SeriNo_Key");
        {
            const auto unindexed = engine::Database::open(f->db.servis());
            QVERIFY(!history::indexed(*unindexed, history::Kind::Device));
            QVERIFY(history::indexed(*unindexed, history::Kind::Customer));
        }
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open_v2(QFile::encodeName(f->db.servis()).constData(), &db, SQLITE_OPEN_READWRITE,
                                 nullptr),
                 SQLITE_OK);
        const auto plain = [db](const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); };
        QCOMPARE(
            plain("INSERT INTO Servis (ServisKayitNo, SeriNo, Unvan) VALUES "
                  "('02-0001-01', 'xY-9', 'A'), ('02-0002-01', 'XY-9 ', 'B'), ('02-0003-01', 'xy-9', 'C')"),
            SQLITE_OK);
        f->open();
        QCOMPARE(f->servis("SELECT count(*) FROM sqlite_master WHERE name = 'Servis_SeriNo_Key'").toInt(), 1);
        QCOMPARE(linkText(10), QStringLiteral("2 önceki kayıt"));

        QCOMPARE(plain("UPDATE Servis SET SeriNo = 'XZ-9' WHERE ServisKayitNo = '02-0003-01'"), SQLITE_OK);
        const auto rows = [db](const QString& sql) {
            sqlite3_stmt* s = nullptr;
            sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &s, nullptr);
            QStringList out;
            while (sqlite3_step(s) == SQLITE_ROW)
                out << QString::fromUtf8(
                    reinterpret_cast<const char*>(sqlite3_column_text(s, sqlite3_column_count(s) - 1)));
            sqlite3_finalize(s);
            return out;
        };
        QCOMPARE(rows("PRAGMA integrity_check"), QStringList{"ok"});
        const QStringList plan = rows("EXPLAIN QUERY PLAN SELECT count(*) FROM Servis WHERE " +
                                      schema::matchKeySql("SeriNo") + " = 'X' AND ID IS NOT 1");
        QVERIFY2(plan.join(' ').contains("Servis_SeriNo_Key"), qPrintable(plan.join(' ')));
        sqlite3_close(db);
        showRecord(1);
        QCOMPARE(linkText(10), QStringLiteral("1 önceki kayıt"));
    }
};

QTEST_MAIN(TestServisHistory)
#include "tst_servis_history.moc"
