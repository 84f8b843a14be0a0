#include "FailingFileLayer.h"
#include "ServisFixture.h"

#include "ProgramDirectory.h"
#include "engine/DatabaseFiles.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

namespace {

QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<yok>");
}

// Plain SQLite on a file, as another program would use it.
void raw(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK)
        qFatal("%s: %s", sql, error);
    sqlite3_close(db);
}

QString titles(const QString& file) {
    return TestDatabase::scalar(file,
                                "SELECT group_concat(Unvan, ',') FROM (SELECT Unvan FROM Servis ORDER BY "
                                "ServisKayitNo)")
        .toString();
}

QString items(const QString& file) {
    return TestDatabase::scalar(
               file, "SELECT group_concat(StokAd, ',') FROM (SELECT StokAd FROM StokHareket ORDER BY ID)")
        .toString();
}

} // namespace

class TestServisBackup : public QObject {
    Q_OBJECT

    std::unique_ptr<ServisFixture> f;
    std::unique_ptr<QTemporaryDir> place; // stands in for the user's folders

    QString at(const QString& relative) const {
        const QString path = place->filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        return path;
    }
    void backUp(const QString& chosen) {
        f->dialogs.fileNames << chosen;
        f->child<QAction>("Yedekle")->trigger();
    }
    void restore(const QString& chosen) {
        f->dialogs.fileNames << chosen;
        f->child<QAction>("Gerial")->trigger();
    }
    QStringList programFiles() const { return QDir(f->db.dir()).entryList(QDir::Files | QDir::Hidden); }
    void fill() {
        f->addRecord(record("01-0001-01", "Ali'nin Dükkanı"));
        f->addRecord(record("01-0002-01", "Bora Ltd"));
        f->addUsedItem("01-0001-01", "Vida");
        f->addUsedItem("01-0002-01", "Kartuş");
        f->addCustomer("Ali'nin Dükkanı");
    }
    void change() {
        TestDatabase::sql(f->db.servis(),
                          "UPDATE Servis SET Unvan = 'Değişti' WHERE ServisKayitNo = '01-0001-01'");
        TestDatabase::sql(f->db.servis(), "DELETE FROM Servis WHERE ServisKayitNo = '01-0002-01'");
        TestDatabase::sql(f->db.stok(), "DELETE FROM StokHareket WHERE StokAd = 'Vida'");
        TestDatabase::sql(f->db.stok(),
                          "INSERT INTO StokHareket (StokAd, KayitNo) VALUES ('Yeni', '01-0001-01')");
    }
    // Every way out of a restore: check mark off, data sources on the live files, a record shown.
    void verifyOpenOnLiveFiles(const QString& caption) {
        QVERIFY(!f->child<QAction>("Gerial")->isChecked());
        for (engine::DataSource* s : {f->window().Data1(), f->window().Data2(), f->window().DataStkHar()}) {
            QVERIFY(s->recordset());
            QCOMPARE(
                s->database()->path(),
                QFileInfo(s == f->window().DataStkHar() ? f->db.stok() : f->db.servis()).absoluteFilePath());
        }
        QCOMPARE(f->caption(), caption);
    }

private Q_SLOTS:
    void init() {
        f = std::make_unique<ServisFixture>();
        place = std::make_unique<QTemporaryDir>();
        qputenv("HOME", QFile::encodeName(place->path()));
    }
    void cleanup() {
        f.reset();
        place.reset();
    }

    void backupRefusesWhatItCannotDo_data() {
        QTest::addColumn<QString>("chosen"); // "@" is the program directory, "~" the user's folder
        QTest::newRow("cancel") << QString();
        QTest::newRow("the live file itself") << "@/Servis.mdb";
        QTest::newRow("the live file in another case") << "@/servis.mdb";
        QTest::newRow("a name without Servis") << "~/Yedek/kopya.mdb";
    }
    void backupRefusesWhatItCannotDo() {
        QFETCH(QString, chosen);
        fill();
        f->open();
        const QByteArray live = bytes(f->db.servis());
        const QStringList before = programFiles();
        backUp(chosen.replace('@', f->db.dir()).replace('~', place->path()));
        QCOMPARE(f->dialogs.texts(), QStringList{"Bilgiler Yedeklenemedi..."});
        QCOMPARE(f->dialogs.shown[0].icon, ui::Icon::None);
        QCOMPARE(f->dialogs.shown[0].buttons, ui::Buttons::Ok);
        QCOMPARE(programFiles(), before);
        QCOMPARE(bytes(f->db.servis()), live);
        QVERIFY(!QFile::exists(at("Yedek/Servis.mdb")));
        const ui::FileDialog& d = f->dialogs.fileDialogs.at(0);
        QCOMPARE(d.mode, ui::FileDialog::Mode::Save);
        QCOMPARE(d.title, QStringLiteral("Bilgilerini Yedekle..."));
        QCOMPARE(d.initDir, place->path());
        QCOMPARE(d.fileName, QStringLiteral("Servis.mdb"));
        QCOMPARE(d.filter, QStringLiteral("Veri Dosyaları|*.mdb"));
    }

    // The files land in the folder of the chosen file, even when its path holds "Servis" too.
    void backupGoesIntoTheChosenFolder_data() {
        QTest::addColumn<QString>("chosen");
        QTest::newRow("plain folder") << "Yedek/Servis.mdb";
        QTest::newRow("folder named Servis") << "Servis Yedek/Servis.mdb";
        QTest::newRow("home folder named servis") << "servis/Yedek/servis_kopya.mdb";
    }
    void backupGoesIntoTheChosenFolder() {
        QFETCH(QString, chosen);
        fill();
        f->open();
        backUp(at(chosen));
        QCOMPARE(f->dialogs.texts(), QStringList{});
        const QDir folder = QFileInfo(at(chosen)).dir();
        QCOMPARE(folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{"Servis.mdb", "Stok.mdb"}));
        for (const char* name : {"Servis.mdb", "Stok.mdb"})
            QCOMPARE(engine::integrityProblem(folder.filePath(name)), QString());
        QCOMPARE(titles(folder.filePath("Servis.mdb")), QStringLiteral("Ali'nin Dükkanı,Bora Ltd"));
        QCOMPARE(items(folder.filePath("Stok.mdb")), QStringLiteral("Vida,Kartuş"));
        backUp(QString()); // the next backup starts in the same folder
        QCOMPARE(f->dialogs.fileDialogs.at(1).initDir, folder.path());
    }

    void replacingAnOlderBackupAsksFirst_data() {
        QTest::addColumn<QList<ui::Answer>>("answers");
        QTest::addColumn<QString>("backedUp");
        QTest::newRow("yes to both") << QList<ui::Answer>{ui::Answer::Yes, ui::Answer::Yes}
                                     << "Ali'nin Dükkanı,Bora Ltd,Can";
        QTest::newRow("cancel") << QList<ui::Answer>{ui::Answer::Cancel} << "Ali'nin Dükkanı,Bora Ltd";
    }
    void replacingAnOlderBackupAsksFirst() {
        QFETCH(QList<ui::Answer>, answers);
        QFETCH(QString, backedUp);
        fill();
        f->open();
        backUp(at("Yedek/Servis.mdb"));
        const QByteArray oldStok = bytes(at("Yedek/Stok.mdb"));
        f->addRecord(record("01-0003-01", "Can"));
        f->dialogs.answers = answers;
        backUp(at("Yedek/Servis.mdb"));
        QCOMPARE(f->dialogs.shown.size(), answers.size());
        QVERIFY(f->dialogs.shown[0].text.contains("\"Servis.mdb\" adlı bir dosya zaten var"));
        QCOMPARE(f->dialogs.shown[0].buttons, ui::Buttons::YesYesToAllNoCancel);
        QCOMPARE(titles(at("Yedek/Servis.mdb")), backedUp);
        if (answers.size() == 1)
            QCOMPARE(bytes(at("Yedek/Stok.mdb")), oldStok);
        QCOMPARE(QDir(at("Yedek")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{"Servis.mdb", "Stok.mdb"}));
    }

    // Rows that sit in the write-ahead log of a live file are part of the backup.
    void backupHoldsRowsNotYetInTheFile() {
        fill();
        raw(f->db.servis(), "PRAGMA journal_mode=WAL");
        sqlite3* writer = nullptr; // another program, which keeps its log open
        sqlite3_open(f->db.servis().toUtf8().constData(), &writer);
        sqlite3_exec(writer,
                     "PRAGMA wal_autocheckpoint=0; INSERT INTO Servis (ServisKayitNo, Unvan) "
                     "VALUES ('01-0003-01', 'Günlükte')",
                     nullptr, nullptr, nullptr);
        f->open();
        backUp(at("Yedek/Servis.mdb"));
        sqlite3_close(writer);
        QCOMPARE(titles(at("Yedek/Servis.mdb")), QStringLiteral("Ali'nin Dükkanı,Bora Ltd,Günlükte"));
        QVERIFY(!QFile::exists(at("Yedek/Servis.mdb-wal")));
    }

    // Another program in the middle of a write: the backup holds what was committed, and the
    // other program can commit once the backup is done.
    void backupLeavesOutAWriteInProgress_data() {
        QTest::addColumn<QString>("journal");
        QTest::newRow("rollback journal") << "DELETE";
        QTest::newRow("write-ahead log") << "WAL";
    }
    void backupLeavesOutAWriteInProgress() {
        QFETCH(QString, journal);
        fill();
        raw(f->db.servis(), qPrintable("PRAGMA journal_mode=" + journal));
        sqlite3* writer = nullptr;
        sqlite3_open(f->db.servis().toUtf8().constData(), &writer);
        QCOMPARE(sqlite3_exec(writer,
                              "BEGIN IMMEDIATE; INSERT INTO Servis (ServisKayitNo, Unvan) "
                              "VALUES ('01-0003-01', 'Yarım')",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
        f->open();
        backUp(at("Yedek/Servis.mdb"));
        const int committed = sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(writer);
        QCOMPARE(committed, SQLITE_OK);
        QCOMPARE(titles(at("Yedek/Servis.mdb")), QStringLiteral("Ali'nin Dükkanı,Bora Ltd"));
        QCOMPARE(engine::integrityProblem(at("Yedek/Servis.mdb")), QString());
        QCOMPARE(titles(f->db.servis()), QStringLiteral("Ali'nin Dükkanı,Bora Ltd,Yarım"));
    }

    void aDamagedDatabaseIsNotCopiedOverAGoodBackup() {
        fill();
        f->open();
        backUp(at("Yedek/Servis.mdb"));
        const QByteArray good = bytes(at("Yedek/Stok.mdb"));
        // An index whose pages nothing points to any more: the file reads, the check fails.
        raw(f->db.stok(),
            "PRAGMA writable_schema=ON; DELETE FROM sqlite_master WHERE name='StokHareket_KayitNo'");
        backUp(at("Yedek/Servis.mdb"));
        QCOMPARE(f->dialogs.shown.size(), 1);
        QVERIFY(f->dialogs.shown[0].text.startsWith("\"Stok.mdb\" bozuk"));
        QCOMPARE(bytes(at("Yedek/Stok.mdb")), good);
        QCOMPARE(QDir(at("Yedek")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{"Servis.mdb", "Stok.mdb"}));
    }

    // None of these touches the data sources: the same record sets stay open on the live files.
    void restoreRefusesWhatIsNoBackup_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("lay"); // what the chosen file holds
        QTest::addColumn<QString>("message");
        QTest::newRow("cancel") << QString() << QString() << QString();
        QTest::newRow("the live file in another case") << "@/SERVIS.MDB" << QString() << QString();
        QTest::newRow("a name without Servis") << "~/Yedek/kopya.mdb"
                                               << "backup" << QString();
        QTest::newRow("a text file") << "~/Yedek/Servis.mdb"
                                     << "text"
                                     << "Servis.mdb bu programın veritabanı değil";
        QTest::newRow("a foreign database") << "~/Yedek/Servis.mdb"
                                            << "foreign"
                                            << "Cari tablosu";
        QTest::newRow("a damaged backup") << "~/Yedek/Servis.mdb"
                                          << "damaged"
                                          << "bozuk";
        QTest::newRow("a stock file of another kind") << "~/Yedek/Servis.mdb"
                                                      << "foreign stok"
                                                      << "Stok.mdb";
    }
    void restoreRefusesWhatIsNoBackup() {
        QFETCH(QString, chosen);
        QFETCH(QString, lay);
        QFETCH(QString, message);
        fill();
        f->open();
        const QString path = QString(chosen).replace('@', f->db.dir()).replace('~', place->path());
        if (!lay.isEmpty()) {
            backUp(at("Yedek/Servis.mdb"));
            f->dialogs.shown.clear();
            if (lay == "backup") {
                QFile::copy(at("Yedek/Servis.mdb"), path);
            } else if (lay == "text") {
                QFile file(path);
                file.open(QIODevice::WriteOnly);
                file.write("Bu bir yedek değil.\n");
            } else if (lay == "foreign") {
                QFile::remove(path);
                raw(path, "CREATE TABLE Servis (ID INTEGER PRIMARY KEY, Unvan TEXT)");
            } else if (lay == "damaged") {
                raw(path,
                    "PRAGMA writable_schema=ON; DELETE FROM sqlite_master WHERE name='Cari_Unvan_Fold'");
            } else if (lay == "foreign stok") {
                QFile::remove(at("Yedek/Stok.mdb"));
                raw(at("Yedek/Stok.mdb"), "CREATE TABLE Notlar (ID INTEGER PRIMARY KEY)");
            }
        }
        const QByteArray servis = bytes(f->db.servis()), stok = bytes(f->db.stok());
        const engine::Recordset* shown = f->window().Data1()->recordset();
        bool checkedDuringDialog = false;
        f->dialogs.whileFileDialog = [&] { checkedDuringDialog = f->child<QAction>("Gerial")->isChecked(); };
        restore(path);
        QVERIFY(checkedDuringDialog);
        if (message.isEmpty()) {
            QCOMPARE(f->dialogs.texts(), QStringList{});
        } else {
            QCOMPARE(f->dialogs.shown.size(), 1);
            QVERIFY2(f->dialogs.shown[0].text.contains(message), qPrintable(f->dialogs.shown[0].text));
            QVERIFY(f->dialogs.shown[0].text.contains(QFileInfo(path).absolutePath()));
        }
        QCOMPARE(bytes(f->db.servis()), servis);
        QCOMPARE(bytes(f->db.stok()), stok);
        QCOMPARE(f->window().Data1()->recordset(), shown);
        verifyOpenOnLiveFiles("Kayıt: 1 / 2");
        const ui::FileDialog& d = f->dialogs.fileDialogs.last();
        QCOMPARE(d.mode, ui::FileDialog::Mode::Open);
        QCOMPARE(d.title, QStringLiteral("Bilgilerini Geri Al..."));
        QCOMPARE(d.initDir, f->db.dir());
        QCOMPARE(d.filter, QStringLiteral("Servis.mdb|Servis.mdb"));
    }

    // Fill, back up, change, restore: the backed-up rows are back in both files.
    void restoreBringsTheBackupBack_data() {
        QTest::addColumn<QString>("servisName");
        QTest::addColumn<QString>("stokName"); // empty: the backup folder holds no stock file
        QTest::newRow("both files") << "Servis.mdb"
                                    << "Stok.mdb";
        QTest::newRow("names in other letter cases") << "SERVIS.MDB"
                                                     << "stok.Mdb";
        QTest::newRow("only Servis.mdb") << "Servis.mdb" << QString();
    }
    void restoreBringsTheBackupBack() {
        QFETCH(QString, servisName);
        QFETCH(QString, stokName);
        fill();
        f->open();
        backUp(at("Servis Yedek/Servis.mdb"));
        QFile::rename(at("Servis Yedek/Servis.mdb"), at("Servis Yedek/" + servisName));
        if (stokName.isEmpty())
            QFile::remove(at("Servis Yedek/Stok.mdb"));
        else
            QFile::rename(at("Servis Yedek/Stok.mdb"), at("Servis Yedek/" + stokName));
        // A backup from an older version lacks an index: the restore only reads it, and the
        // restored live file gets the index.
        const QString backup = at("Servis Yedek/" + servisName);
        TestDatabase::sql(backup, "DROP INDEX Servis_Unvan_Fold");
        const QByteArray backupBytes = bytes(backup);
        change();
        const QString changedItems = items(f->db.stok());
        restore(backup);
        QCOMPARE(bytes(backup), backupBytes);
        QCOMPARE(f->servis("SELECT count(*) FROM sqlite_master WHERE name = 'Servis_Unvan_Fold'").toInt(), 1);
        // The shell asks before it replaces each live file; the scripted answer is its default, Evet.
        QCOMPARE(f->dialogs.shown.size(), stokName.isEmpty() ? 1 : 2);
        for (const auto& question : f->dialogs.shown)
            QVERIFY(question.text.contains("adlı bir dosya zaten var"));
        QCOMPARE(titles(f->db.servis()), QStringLiteral("Ali'nin Dükkanı,Bora Ltd"));
        QCOMPARE(items(f->db.stok()), stokName.isEmpty() ? changedItems : QStringLiteral("Vida,Kartuş"));
        verifyOpenOnLiveFiles("Kayıt: 1 / 2");
        QCOMPARE(f->box(0), QStringLiteral("Ali'nin Dükkanı"));
        QCOMPARE(programFiles(), (QStringList{"Servis.mdb", "Stok.mdb"}));
        // The files as they were before the restore are kept, and only the latest such copy.
        const QStringList kept = QDir(f->db.dir()).entryList({"Geri Alma Öncesi *"}, QDir::Dirs);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(titles(QDir(f->db.dir()).filePath(kept[0] + "/Servis.mdb")), QStringLiteral("Değişti"));
        restore(at("Servis Yedek/" + servisName));
        QCOMPARE(QDir(f->db.dir()).entryList({"Geri Alma Öncesi *"}, QDir::Dirs).size(), 1);
    }

    void aCopyFailingHalfwayPutsTheLiveFilesBack() {
        fill();
        f->open();
        backUp(at("Yedek/Servis.mdb"));
        change();
        const QByteArray servis = bytes(f->db.servis()), stok = bytes(f->db.stok());
        {
            // Servis.mdb goes over completely; the disk fills during Stok.mdb.
            FailingFileLayer full(QFileInfo(at("Yedek/Servis.mdb")).size() + 1000);
            restore(at("Yedek/Servis.mdb"));
        }
        QCOMPARE(f->dialogs.shown.size(), 4); // two questions, the shell's report, ours
        QVERIFY(f->dialogs.shown[2].text.contains("Stok.mdb\" yazılamadı"));
        QCOMPARE(f->dialogs.shown[3].text,
                 QStringLiteral("Geri alma tamamlanmadı; bilgiler geri almadan önceki halinde."));
        QCOMPARE(bytes(f->db.servis()), servis);
        QCOMPARE(bytes(f->db.stok()), stok);
        verifyOpenOnLiveFiles("Kayıt: 1 / 1");
        QCOMPARE(programFiles(), (QStringList{"Servis.mdb", "Stok.mdb"}));
    }

    // A journal left beside a live file by a writer that died belongs to the old file.
    void aHotJournalBesideTheLiveFileIsNotApplied() {
        fill();
        f->open();
        backUp(at("Yedek/Servis.mdb"));
        change();
        const QString other = at("eski/Servis.mdb");
        QFile::copy(f->db.servis(), other);
        sqlite3* writer = nullptr;
        sqlite3_open(other.toUtf8().constData(), &writer);
        sqlite3_exec(writer,
                     "PRAGMA synchronous=OFF; BEGIN; UPDATE Servis SET Unvan = 'Yarım'; DELETE FROM Cari",
                     nullptr, nullptr, nullptr);
        QVERIFY(QFile::copy(other + "-journal", f->db.servis() + "-journal"));
        sqlite3_close(writer);
        restore(at("Yedek/Servis.mdb"));
        QCOMPARE(f->dialogs.shown.size(), 2); // the two questions before replacing
        QVERIFY(!QFile::exists(f->db.servis() + "-journal"));
        QCOMPARE(titles(f->db.servis()), QStringLiteral("Ali'nin Dükkanı,Bora Ltd"));
        QCOMPARE(engine::integrityProblem(f->db.servis()), QString());
        verifyOpenOnLiveFiles("Kayıt: 1 / 2");
    }
};

QTEST_MAIN(TestServisBackup)
#include "tst_servis_backup.moc"
