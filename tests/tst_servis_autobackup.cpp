#include "ServisFixture.h"

#include "AutoBackup.h"
#include "Settings.h"
#include "clock/Clock.h"
#include "engine/DatabaseFiles.h"
#include "frmYedekler.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <sqlite3.h>

namespace {

QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<yok>");
}

QString titles(const QString& file) {
    return TestDatabase::scalar(file,
                                "SELECT group_concat(Unvan, ',') FROM (SELECT Unvan FROM Servis ORDER BY "
                                "ServisKayitNo)")
        .toString();
}

QDateTime at(int month, int day, int hour, int minute = 0) {
    return QDateTime(QDate(2026, month, day), QTime(hour, minute));
}

// Stands in for the desktop's file manager.
class OpenedFolders : public QObject {
    Q_OBJECT

public:
    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

} // namespace

class TestServisAutoBackup : public QObject {
    Q_OBJECT

    std::unique_ptr<ServisFixture> f;
    QDateTime now_ = at(12, 8, 17, 30);

    QString yedekler() const { return QDir(f->db.dir()).filePath(autobackup::kFolder); }
    QStringList backups(const QString& folder = {}) const {
        return QDir(folder.isEmpty() ? yedekler() : folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    }
    autobackup::Runner* runner() const { return f->child<autobackup::Runner>("OtomatikYedek"); }
    void settle() { QTRY_VERIFY_WITH_TIMEOUT(!runner()->running(), 20000); }
    void fill() {
        f->addRecord(record("01-0001-01", "Ali'nin Dükkanı"));
        f->addRecord(record("01-0002-01", "Bora Ltd"));
        f->addUsedItem("01-0001-01", "Vida");
        TestDatabase::sql(f->db.stok(), "INSERT INTO StokKartlar (StokKod, StokAd) VALUES ('V1', 'Vida')");
    }
    void change(const QString& title = "Can") { f->addRecord(record("01-0003-01", title)); }
    // Closes the window the user's way and waits until it has folded and gone.
    void closeWindow() {
        f->window().close();
        QTRY_VERIFY_WITH_TIMEOUT(!f->window().isVisible(), 20000);
    }
    frmYedekler* openList() {
        f->child<QAction>("OtomatikYedekler")->trigger();
        return f->child<frmYedekler>("frmYedekler");
    }
    void backUpNow() {
        QTest::mouseClick(openList()->findChild<QPushButton*>("SimdiYedekle"), Qt::LeftButton);
        settle();
    }
    QStringList rowsOf(frmYedekler* w) const {
        auto* table = w->findChild<QTableWidget*>("Liste");
        QStringList rows;
        for (int r = 0; r < table->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < table->columnCount(); ++c)
                if (c != 3) // the size depends on the compressor's version
                    cells << table->item(r, c)->text();
            rows << cells.join('|');
        }
        return rows;
    }

private Q_SLOTS:
    void init() {
        f = std::make_unique<ServisFixture>();
        now_ = at(12, 8, 17, 30);
        wallclock::setSource([this] { return now_; });
    }
    void cleanup() {
        f.reset();
        wallclock::setSource({});
    }

    // A close makes a backup only when something was written since the last one, by this program
    // or another.
    void aCloseBacksUpWhatWasWritten_data() {
        QTest::addColumn<QString>("between"); // what happens between the first close and the second
        QTest::addColumn<int>("made");
        QTest::newRow("nothing") << "" << 1;
        QTest::newRow("a record saved in the window") << "window" << 2;
        QTest::newRow("another program's write") << "other" << 2;
    }
    void aCloseBacksUpWhatWasWritten() {
        QFETCH(QString, between);
        QFETCH(int, made);
        fill();
        f->open();
        closeWindow();
        QCOMPARE(backups().size(), 1);
        now_ = now_.addSecs(600);
        f->open();
        if (between == "window") {
            f->click("cmdDüzeltme");
            f->window().setText1(0, "Değişti");
            f->click("Evet_Hayir_0");
            QCOMPARE(f->servis("SELECT count(*) FROM Servis WHERE Unvan = 'Değişti'").toInt(), 1);
        } else if (between == "other") {
            change();
        }
        closeWindow();
        QCOMPARE(backups().size(), made);
        QCOMPARE(f->dialogs.texts(), QStringList{});
        const QString newest = autobackup::list(yedekler()).first().path;
        QCOMPARE(QFileInfo(newest).fileName(), made == 2 ? "2026-12-08_1740" : "2026-12-08_1730");
        const std::optional<autobackup::Manifest> m = autobackup::readManifest(newest);
        QVERIFY(m && m->checked);
        QCOMPARE(m->rows("Servis.mdb", "Servis"), between == "other" ? 3 : 2);
        QCOMPARE(m->rows("Stok.mdb", "StokKartlar"), 1);
        QCOMPARE(m->rows("Stok.mdb", "StokHareket"), 1);
        // Nothing but the finished backups is left in the folder.
        QCOMPARE(QDir(yedekler()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
                 made);
    }

    // The close waits for a backup that is held up (here by another program's write) with a
    // progress window: "Vazgeç" in it stops the backup and the window closes without one;
    // otherwise the backup is made once the other program is done.
    void aCloseWaitsForTheBackupUnlessStopped_data() {
        QTest::addColumn<bool>("vazgec");
        QTest::newRow("Vazgeç") << true;
        QTest::newRow("waited for") << false;
    }
    void aCloseWaitsForTheBackupUnlessStopped() {
        QFETCH(bool, vazgec);
        fill();
        f->open();
        sqlite3* other = nullptr;
        sqlite3_open(f->db.stok().toUtf8().constData(), &other);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE; DELETE FROM StokHareket", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        // The other program commits once the close is seen waiting, or never while it waits.
        if (vazgec)
            f->dialogs.cancelInTitled = "Otomatik Yedek";
        else
            f->dialogs.stopWhen = [&](const QString&) {
                sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
                return false;
            };
        closeWindow();
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QVERIFY(f->dialogs.progressTitles.contains("Otomatik Yedek"));
        QCOMPARE(f->dialogs.texts(), QStringList{});
        QCOMPARE(backups().size(), vazgec ? 0 : 1);
        if (!vazgec)
            QCOMPARE(autobackup::readManifest(autobackup::list(yedekler()).first().path)
                         ->rows("Stok.mdb", "StokHareket"),
                     0);
        QCOMPARE(QDir(yedekler()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
                 vazgec ? 0 : 1);
    }

    // While the program runs, a backup is taken once the last one is older than the interval and
    // something was written since.
    void aRunningProgramBacksUpAfterTheInterval_data() {
        QTest::addColumn<int>("minutesLater");
        QTest::addColumn<bool>("changed");
        QTest::addColumn<int>("hours"); // the interval set in the backups' window
        QTest::addColumn<bool>("taken");
        QTest::newRow("changed, 3 h 59 min later") << 239 << true << 4 << false;
        QTest::newRow("changed, 4 h 1 min later") << 241 << true << 4 << true;
        QTest::newRow("unchanged, a day later") << 24 * 60 << false << 4 << false;
        QTest::newRow("changed, 61 min later, every hour") << 61 << true << 1 << true;
    }
    void aRunningProgramBacksUpAfterTheInterval() {
        QFETCH(int, minutesLater);
        QFETCH(bool, changed);
        QFETCH(int, hours);
        QFETCH(bool, taken);
        fill();
        f->open();
        frmYedekler* list = openList();
        list->findChild<QSpinBox*>("Aralik")->setValue(hours);
        backUpNow();
        QCOMPARE(backups().size(), 1);
        if (changed)
            change();
        now_ = now_.addSecs(minutesLater * 60);
        auto* due = f->child<QTimer>("OtomatikYedekSaati");
        due->setInterval(5);
        QTest::qWait(100);
        settle();
        QCOMPARE(backups().size(), taken ? 2 : 1);
        QCOMPARE(rowsOf(list).size(), taken ? 2 : 1); // the open list follows
    }

    // "Şimdi Yedekle" starts nothing while a backup runs or while a restore is under way.
    void aBackupNeverRunsBesideAnotherOrARestore_data() {
        QTest::addColumn<QString>("during");
        QTest::newRow("a backup") << "backup";
        QTest::newRow("a restore") << "restore";
    }
    void aBackupNeverRunsBesideAnotherOrARestore() {
        QFETCH(QString, during);
        fill();
        f->open();
        auto* now = openList()->findChild<QPushButton*>("SimdiYedekle");
        if (during == "backup") {
            QTest::mouseClick(now, Qt::LeftButton);
            now_ = now_.addSecs(60);
            QTest::mouseClick(now, Qt::LeftButton);
        } else {
            // The restore's file dialog is up, the restore's mark on; the user then cancels it.
            f->dialogs.whileFileDialog = [&] { QTest::mouseClick(now, Qt::LeftButton); };
            f->child<QAction>("Gerial")->trigger();
        }
        settle();
        QCOMPARE(backups().size(), during == "backup" ? 1 : 0);
    }

    // The rule on a year of daily backups taken at 17:30 and pruned after each, as the program
    // does: what is left is exactly the rule's set, worked out by hand for 8 December 2026.
    void pruningAYearKeepsTheRulesSet() {
        QTemporaryDir folder;
        QDateTime moment = at(1, 1, 17, 30);
        for (; moment.date() <= QDate(2026, 12, 8); moment = moment.addDays(1)) {
            const QString name = QDir(folder.path()).filePath(moment.toString("yyyy-MM-dd_HHmm"));
            QDir().mkpath(name);
            autobackup::prune(folder.path());
        }
        QStringList kept = QDir(folder.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QStringList expected;
        for (const char* day : {"01-31", "02-28", "03-31", "04-30", "05-31", "06-30", "07-31",
                                "08-31", "09-30", "10-31", "11-15", "11-22", "11-29", "11-30",
                                "12-02", "12-03", "12-04", "12-05", "12-06", "12-07", "12-08"})
            expected << QStringLiteral("2026-%1_1730").arg(day);
        QCOMPARE(kept, expected);
        // Several backups a day: the last three stand, whatever the day.
        const QList<QDateTime> sameDay{at(12, 8, 9), at(12, 8, 13), at(12, 8, 17), at(12, 8, 21)};
        QCOMPARE(autobackup::toKeep(sameDay),
                 (QList<QDateTime>{at(12, 8, 21), at(12, 8, 17), at(12, 8, 13)}));
    }

    // The list shows every backup, newest first, with the counts of its own moment; "Geri Al" on
    // one brings both files back as they were then, as the menu's restore does from its folder.
    void aListedBackupComesBack_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Geri Al in the list") << "list";
        QTest::newRow("Bilgileri Geri Al on its Servis.mdb") << "menu";
    }
    void aListedBackupComesBack() {
        QFETCH(QString, how);
        fill();
        f->open();
        backUpNow();
        now_ = now_.addSecs(3600);
        change();
        TestDatabase::sql(f->db.stok(), "DELETE FROM StokHareket");
        backUpNow();
        frmYedekler* list = openList();
        QCOMPARE(rowsOf(list), (QStringList{"08.12.2026 18:30|3|1|Evet|Program klasörü",
                                            "08.12.2026 17:30|2|1|Evet|Program klasörü"}));
        OpenedFolders fileManager;
        QDesktopServices::setUrlHandler("file", &fileManager, "open");
        QTest::mouseClick(list->findChild<QPushButton*>("KlasoruAc"), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(fileManager.urls, QList<QUrl>{QUrl::fromLocalFile(yedekler())});
        TestDatabase::sql(f->db.servis(), "DELETE FROM Servis");
        if (how == "list") {
            list->findChild<QTableWidget*>("Liste")->selectRow(1);
            QTest::mouseClick(list->findChild<QPushButton*>("GeriAl"), Qt::LeftButton);
        } else {
            f->dialogs.fileNames << QDir(yedekler()).filePath("2026-12-08_1730/Servis.mdb");
            f->child<QAction>("Gerial")->trigger();
        }
        QCOMPARE(titles(f->db.servis()), QStringLiteral("Ali'nin Dükkanı,Bora Ltd"));
        QCOMPARE(f->stok("SELECT group_concat(StokAd) FROM StokHareket").toString(), QStringLiteral("Vida"));
        QCOMPARE(f->caption(), QStringLiteral("Kayıt: 1 / 2"));
        QCOMPARE(f->box(0), QStringLiteral("Ali'nin Dükkanı"));
        QCOMPARE(engine::integrityProblem(f->db.servis()), QString());
        QVERIFY(!f->child<QAction>("Gerial")->isChecked());
    }

    // A backup whose bytes are not those its manifest names is refused, the file named, and the
    // live files stay byte for byte.
    void aBackupThatIsNotAsMadeIsRefused_data() {
        QTest::addColumn<QString>("damage");
        QTest::newRow("a byte of Stok.mdb changed") << "byte";
        QTest::newRow("another Servis.mdb put in its place") << "swapped";
        QTest::newRow("the manifest's hash changed") << "hash";
    }
    void aBackupThatIsNotAsMadeIsRefused() {
        QFETCH(QString, damage);
        fill();
        f->open();
        backUpNow();
        const QString backup = autobackup::list(yedekler()).first().path;
        now_ = now_.addSecs(3600);
        change("Sonra");
        backUpNow();
        const QString later = autobackup::list(yedekler()).first().path;
        QString named = "Servis.mdb";
        if (damage == "byte") {
            named = "Stok.mdb";
            QFile file(QDir(backup).filePath(named));
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.seek(file.size() / 2);
            const char b = file.peek(1)[0];
            file.write(QByteArray(1, char(b ^ 0x5a)));
        } else if (damage == "swapped") {
            QFile::remove(QDir(backup).filePath(named));
            QFile::copy(QDir(later).filePath(named), QDir(backup).filePath(named));
        } else {
            QByteArray text = bytes(QDir(backup).filePath(autobackup::kManifest));
            const int at = text.indexOf("SHA-256: ") + 9;
            text[at] = text[at] == 'a' ? 'b' : 'a';
            QFile m(QDir(backup).filePath(autobackup::kManifest));
            QVERIFY(m.open(QIODevice::WriteOnly));
            m.write(text);
        }
        const QByteArray servis = bytes(f->db.servis()), stok = bytes(f->db.stok());
        const QString caption = f->caption();
        frmYedekler* list = openList();
        list->findChild<QTableWidget*>("Liste")->selectRow(1);
        QTest::mouseClick(list->findChild<QPushButton*>("GeriAl"), Qt::LeftButton);
        QCOMPARE(f->dialogs.shown.size(), 1);
        QVERIFY2(f->dialogs.shown[0].text.contains(QDir(backup).filePath(named)) &&
                     f->dialogs.shown[0].text.contains("SHA-256"),
                 qPrintable(f->dialogs.shown[0].text));
        QCOMPARE(bytes(f->db.servis()), servis);
        QCOMPARE(bytes(f->db.stok()), stok);
        QCOMPARE(f->caption(), caption);
    }

    // A damaged live file is never backed up: the user hears it once, and every earlier backup
    // stays, however many would otherwise have been pruned.
    void aDamagedLiveFileMakesNoBackupAndPrunesNothing() {
        fill();
        // Four backups of one day, of which the rule alone would drop the oldest.
        for (int hour : {9, 10, 11, 12})
            QDir().mkpath(QDir(yedekler()).filePath(at(12, 8, hour).toString("yyyy-MM-dd_HHmm")));
        f->open();
        // An index whose pages nothing points to any more: the file reads, the check fails.
        sqlite3* db = nullptr;
        sqlite3_open(f->db.stok().toUtf8().constData(), &db);
        QCOMPARE(sqlite3_exec(
                     db,
                     "PRAGMA writable_schema=ON; DELETE FROM sqlite_master WHERE name='StokHareket_KayitNo'",
                     nullptr, nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(db);
        const QStringList before = backups();
        backUpNow();
        now_ = now_.addSecs(600);
        backUpNow();
        QCOMPARE(backups(), before);
        QCOMPARE(f->dialogs.shown.size(), 1);
        QVERIFY2(f->dialogs.shown[0].text.startsWith("\"" + f->db.stok() + "\" dosyası bozuk"),
                 qPrintable(f->dialogs.shown[0].text));
    }

    // The second place gets a copy of each backup; when it is missing the program goes on, the
    // backup is made at home and the list notes it without a message box.
    void theSecondPlaceMirrorsWhenItIsThere_data() {
        QTest::addColumn<bool>("present");
        QTest::newRow("plugged in") << true;
        QTest::newRow("not plugged in") << false;
    }
    void theSecondPlaceMirrorsWhenItIsThere() {
        QFETCH(bool, present);
        QTemporaryDir usb;
        const QString place = present ? usb.path() : usb.path() + "/çıkarılmış disk";
        fill();
        f->open();
        frmYedekler* list = openList();
        auto* edit = list->findChild<QLineEdit*>("IkinciYer");
        edit->setText(place);
        Q_EMIT edit->editingFinished();
        QCOMPARE(settings::yedekYeri2(), place);
        backUpNow();
        now_ = now_.addSecs(3600);
        change();
        backUpNow();
        QCOMPARE(backups().size(), 2);
        QCOMPARE(f->dialogs.texts(), QStringList{});
        auto* note = list->findChild<QLabel*>("Not");
        if (present) {
            QCOMPARE(backups(place), backups());
            QCOMPARE(bytes(place + "/2026-12-08_1830/Servis.mdb"),
                     bytes(yedekler() + "/2026-12-08_1830/Servis.mdb"));
            QCOMPARE(rowsOf(list).size(), 4);
            QVERIFY(note->isHidden());
        } else {
            QVERIFY(!QFileInfo::exists(place));
            QVERIFY(note->isVisibleTo(list) && note->text().contains(place));
            QCOMPARE(rowsOf(list).size(), 2);
        }
    }
};

QTEST_MAIN(TestServisAutoBackup)
#include "tst_servis_autobackup.moc"
