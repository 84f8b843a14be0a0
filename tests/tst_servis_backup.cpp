#include "FailingFileLayer.h"
#include "FullDisk.h"
#include "ServisFixture.h"

#include "ProgramDirectory.h"
#include "SafetyCopy.h"
#include "engine/DatabaseFiles.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
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
    // A folder in which an earlier backup was stopped by force ends with the backup alone too.
    void backupGoesIntoTheChosenFolder_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("leftovers");
        QTest::newRow("plain folder") << "Yedek/Servis.mdb" << false;
        QTest::newRow("folder named Servis") << "Servis Yedek/Servis.mdb" << false;
        QTest::newRow("home folder named servis") << "servis/Yedek/servis_kopya.mdb" << false;
        QTest::newRow("leftovers of a killed backup") << "Yedek/Servis.mdb" << true;
    }
    void backupGoesIntoTheChosenFolder() {
        QFETCH(QString, chosen);
        QFETCH(bool, leftovers);
        fill();
        f->open();
        if (leftovers) {
            QFile::copy(f->db.servis(), at("Yedek/.Yedekleniyor-k3Xq9Z/Servis.mdb"));
            QFile::copy(f->db.stok(), at("Yedek/.Yedekleniyor-Ab12Cd/Stok.mdb"));
        }
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

    // A backup over an older one asks before it replaces each file, and the folder ends with both
    // new files or both old ones, the user told which when it is the old ones.
    void aBackupFolderHoldsAPairFromOneMoment_data() {
        QTest::addColumn<QList<ui::Answer>>("answers");
        QTest::addColumn<QString>("vazgecIn"); // the progress window in which "Vazgeç" is pressed
        QTest::addColumn<bool>("replaced");
        QTest::addColumn<QString>("told");
        using A = ui::Answer;
        const QString together = QStringLiteral("Servis.mdb ile Stok.mdb yalnızca birlikte yedeklenir.");
        QTest::newRow("yes to both") << QList<A>{A::Yes, A::Yes} << QString() << true << QString();
        QTest::newRow("yes to all") << QList<A>{A::YesToAll} << QString() << true << QString();
        QTest::newRow("yes, then no") << QList<A>{A::Yes, A::No} << QString() << false << together;
        QTest::newRow("no, then yes") << QList<A>{A::No, A::Yes} << QString() << false << together;
        QTest::newRow("cancel") << QList<A>{A::Cancel} << QString() << false << together;
        QTest::newRow("Vazgeç as the files go in")
            << QList<A>{A::Yes} << QStringLiteral("Kopyalanıyor...") << false << together;
        QTest::newRow("Vazgeç while the copies are made")
            << QList<A>{} << QStringLiteral("Bilgilerini Yedekle...") << false << "Yedek alınmadı.";
    }
    void aBackupFolderHoldsAPairFromOneMoment() {
        QFETCH(QList<ui::Answer>, answers);
        QFETCH(QString, vazgecIn);
        QFETCH(bool, replaced);
        QFETCH(QString, told);
        fill();
        f->open();
        backUp(at("Yedek/Servis.mdb"));
        f->dialogs.progressTitles.clear();
        f->addRecord(record("01-0003-01", "Can"));
        TestDatabase::sql(f->db.stok(),
                          "INSERT INTO StokHareket (StokAd, KayitNo) VALUES ('Yeni', '01-0003-01')");
        f->dialogs.answers = answers;
        f->dialogs.cancelInTitled = vazgecIn;
        backUp(at("Yedek/Servis.mdb"));
        QStringList questions, others;
        for (const auto& shown : f->dialogs.shown)
            (shown.title == QStringLiteral("Dosya Değiştirmeyi Onayla") ? questions : others) << shown.text;
        QCOMPARE(questions.size(), answers.size());
        if (!questions.isEmpty())
            QVERIFY(questions[0].contains("\"Servis.mdb\" adlı bir dosya zaten var"));
        if (told.isEmpty()) {
            QCOMPARE(others, QStringList{});
        } else {
            QCOMPARE(others.size(), 1);
            QVERIFY2(others[0].contains(told) && others[0].contains("önceki yedek değişmedi"),
                     qPrintable(others[0]));
        }
        QCOMPARE(titles(at("Yedek/Servis.mdb")), replaced ? QStringLiteral("Ali'nin Dükkanı,Bora Ltd,Can")
                                                          : QStringLiteral("Ali'nin Dükkanı,Bora Ltd"));
        QCOMPARE(items(at("Yedek/Stok.mdb")),
                 replaced ? QStringLiteral("Vida,Kartuş,Yeni") : QStringLiteral("Vida,Kartuş"));
        QCOMPARE(QDir(at("Yedek")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{"Servis.mdb", "Stok.mdb"}));
        // The user copies; the move inside the backup folder is no concern of theirs.
        QVERIFY(!f->dialogs.progressTitles.contains(QStringLiteral("Taşınıyor...")));
        if (!answers.isEmpty())
            QVERIFY(f->dialogs.progressTitles.contains(QStringLiteral("Kopyalanıyor...")));
    }

    // A disk that takes no more: the message says why in Turkish, with the system's words after.
    void aBackupThatCannotWriteSaysWhy() {
        fill();
        f->open();
        {
            const FullDisk full(1024);
            backUp(at("Yedek/Servis.mdb"));
        }
        QCOMPARE(f->dialogs.texts(), QStringList{"Bilgiler Yedeklenemedi...\n\nSistem bir hata bildirdi. (" +
                                                 QString::fromLocal8Bit(std::strerror(EFBIG)) + ")"});
        QCOMPARE(QDir(at("Yedek")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{});
    }

    void aBackupIntoAMissingFolderAsksToMakeIt_data() {
        QTest::addColumn<ui::Answer>("answer");
        QTest::newRow("yes") << ui::Answer::Yes;
        QTest::newRow("no") << ui::Answer::No;
    }
    void aBackupIntoAMissingFolderAsksToMakeIt() {
        QFETCH(ui::Answer, answer);
        fill();
        f->open();
        const QString folder = place->filePath(QStringLiteral("Yeni Klasör/alt"));
        f->dialogs.answers = {answer};
        backUp(folder + "/Servis.mdb");
        QCOMPARE(f->dialogs.shown.size(), 1);
        QCOMPARE(f->dialogs.shown[0].title, QStringLiteral("Klasör Oluşturmayı Onayla"));
        QCOMPARE(f->dialogs.shown[0].buttons, ui::Buttons::YesNo);
        QVERIFY(f->dialogs.shown[0].text.contains(folder));
        QCOMPARE(QFileInfo(folder).isDir(), answer == ui::Answer::Yes);
        if (answer == ui::Answer::Yes)
            QCOMPARE(titles(folder + "/Servis.mdb"), QStringLiteral("Ali'nin Dükkanı,Bora Ltd"));
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
            if (lay == "text") {
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
        QTest::addColumn<QString>("clicked");  // another file of the folder, chosen in the dialog
        QTest::newRow("both files") << "Servis.mdb"
                                    << "Stok.mdb" << QString();
        QTest::newRow("names in other letter cases") << "SERVIS.MDB"
                                                     << "stok.Mdb" << QString();
        QTest::newRow("only Servis.mdb") << "Servis.mdb" << QString() << QString();
        QTest::newRow("an older file of the folder chosen") << "Servis.mdb"
                                                            << "Stok.mdb"
                                                            << "Servis_eski.mdb";
        QTest::newRow("a name without Servis chosen") << "Servis.mdb"
                                                      << "Stok.mdb"
                                                      << "kopya.mdb";
    }
    void restoreBringsTheBackupBack() {
        QFETCH(QString, servisName);
        QFETCH(QString, stokName);
        QFETCH(QString, clicked);
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
        if (!clicked.isEmpty()) // a file of other days: the folder's own pair is restored all the same
            QFile::copy(f->db.servis(), at("Servis Yedek/" + clicked));
        restore(clicked.isEmpty() ? backup : at("Servis Yedek/" + clicked));
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

    // The two files are restored together or not at all, whichever way the user declines one.
    void aRestoreDeclinedForOneFileChangesNothing_data() {
        QTest::addColumn<QList<ui::Answer>>("answers");
        QTest::addColumn<QString>("vazgecIn");
        using A = ui::Answer;
        QTest::newRow("no, then yes") << QList<A>{A::No, A::Yes} << QString();
        QTest::newRow("yes, then no") << QList<A>{A::Yes, A::No} << QString();
        QTest::newRow("cancel") << QList<A>{A::Cancel} << QString();
        QTest::newRow("Vazgeç in the copy") << QList<A>{A::Yes} << QStringLiteral("Kopyalanıyor...");
    }
    void aRestoreDeclinedForOneFileChangesNothing() {
        QFETCH(QList<ui::Answer>, answers);
        QFETCH(QString, vazgecIn);
        fill();
        f->open();
        backUp(at("Yedek/Servis.mdb"));
        change();
        const QByteArray servis = bytes(f->db.servis()), stok = bytes(f->db.stok());
        f->dialogs.answers = answers;
        f->dialogs.cancelInTitled = vazgecIn;
        restore(at("Yedek/Servis.mdb"));
        QCOMPARE(f->dialogs.shown.size(), answers.size() + 1);
        QCOMPARE(f->dialogs.shown.last().text,
                 QStringLiteral("Geri alma yapılmadı: Servis.mdb ile Stok.mdb yalnızca birlikte geri alınır. "
                                "Hiçbir şey değiştirilmedi."));
        QCOMPARE(bytes(f->db.servis()), servis);
        QCOMPARE(bytes(f->db.stok()), stok);
        verifyOpenOnLiveFiles("Kayıt: 1 / 1");
        QCOMPARE(programFiles(), (QStringList{"Servis.mdb", "Stok.mdb"}));
        QCOMPARE(QDir(f->db.dir()).entryList({"Geri Alma Öncesi *"}, QDir::Dirs), QStringList{});
    }

    // The program stopped between the restore's steps: the next start finishes the restore when
    // both files had been replaced and otherwise puts the files from before back, and says so.
    void aRestoreCutShortIsPutRightAtTheNextStart_data() {
        QTest::addColumn<int>("replaced"); // live files replaced before the stop, in order
        QTest::addColumn<bool>("finished");
        QTest::newRow("stopped before the first file") << 0 << false;
        QTest::newRow("stopped between the two files") << 1 << false;
        QTest::newRow("stopped after both files") << 2 << true;
    }
    void aRestoreCutShortIsPutRightAtTheNextStart() {
        QFETCH(int, replaced);
        QFETCH(bool, finished);
        fill();
        for (const QString& live : {f->db.servis(), f->db.stok()})
            QFile::copy(live, at("Yedek/" + QFileInfo(live).fileName()));
        change();
        const QStringList live{f->db.servis(), f->db.stok()};
        SafetyCopy safety(f->db.dir());
        QString error;
        QVERIFY(safety.make(live, &error));
        // The restore puts each file in place by a rename over the live name.
        for (int i = 0; i < replaced; ++i) {
            const QString incoming = live[i] + ".yeni";
            QFile::copy(at("Yedek/" + QFileInfo(live[i]).fileName()), incoming);
            QCOMPARE(
                std::rename(QFile::encodeName(incoming).constData(), QFile::encodeName(live[i]).constData()),
                0);
        }
        f->open();
        QCOMPARE(f->dialogs.shown.size(), 1);
        QVERIFY2(f->dialogs.shown[0].text.contains(finished ? "Geri alma tamamlanmıştı"
                                                            : "yalnızca birlikte geri alınır"),
                 qPrintable(f->dialogs.shown[0].text));
        QCOMPARE(titles(f->db.servis()),
                 finished ? QStringLiteral("Ali'nin Dükkanı,Bora Ltd") : QStringLiteral("Değişti"));
        QCOMPARE(items(f->db.stok()),
                 finished ? QStringLiteral("Vida,Kartuş") : QStringLiteral("Kartuş,Yeni"));
        QCOMPARE(f->caption(), finished ? QStringLiteral("Kayıt: 1 / 2") : QStringLiteral("Kayıt: 1 / 1"));
        // A finished restore keeps the files from before, as any restore does; nothing is left
        // to repair at the start after.
        const QStringList kept = QDir(f->db.dir()).entryList({"Geri Alma Öncesi *"}, QDir::Dirs);
        QCOMPARE(kept.size(), finished ? 1 : 0);
        f->dialogs.shown.clear();
        f->open();
        QCOMPARE(f->dialogs.texts(), QStringList{});
    }

    // What the next start needs is on the disk before the first live file is replaced, and gone
    // once the restore is complete.
    void aRestoreRecordsItselfBeforeReplacingAFile() {
        fill();
        f->open();
        backUp(at("Yedek/Servis.mdb"));
        QList<bool> recorded;
        FailingFileLayer watch(std::numeric_limits<qint64>::max());
        watch.onCreate = [&](const QString&) {
            const QDir dir(f->db.dir());
            const QStringList folders = dir.entryList({SafetyCopy::kPrefix + '*'}, QDir::Dirs);
            recorded << (folders.size() == 1 &&
                         QFile::exists(dir.filePath(folders[0] + '/' + SafetyCopy::kUnderWay)));
        };
        restore(at("Yedek/Servis.mdb"));
        QCOMPARE(recorded, (QList<bool>{true, true}));
        const QStringList kept = QDir(f->db.dir()).entryList({"Geri Alma Öncesi *"}, QDir::Dirs);
        QCOMPARE(kept.size(), 1);
        QVERIFY(!QFile::exists(QDir(f->db.dir()).filePath(kept[0] + '/' + SafetyCopy::kUnderWay)));
    }

    // Qt's own message and progress windows, answered by a person who reads each question first.
    void aQuestionOfTheCopyWaitsForTheUser_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("restore") << "Gerial";
        QTest::newRow("backup over an older one") << "Yedekle";
    }
    void aQuestionOfTheCopyWaitsForTheUser() {
        QFETCH(QString, command);
        fill();
        f->open();
        backUp(at("Yedek/Servis.mdb"));
        change();
        f->dialogs.realQuestions = true;
        LateAnswerer person(800);
        f->dialogs.fileNames << at("Yedek/Servis.mdb");
        f->child<QAction>(command)->trigger();
        QCOMPARE(person.seen.size(), 2);
        for (const auto& seen : std::as_const(person.seen)) {
            QCOMPARE(seen.title, QStringLiteral("Dosya Değiştirmeyi Onayla"));
            QVERIFY(seen.inFront);
            QVERIFY(!seen.progressInSight);
        }
        // Evet, the default, went through for both files.
        const QString servis = command == "Gerial" ? f->db.servis() : at("Yedek/Servis.mdb");
        QCOMPARE(titles(servis), command == "Gerial" ? QStringLiteral("Ali'nin Dükkanı,Bora Ltd")
                                                     : QStringLiteral("Değişti"));
    }
};

QTEST_MAIN(TestServisBackup)
#include "tst_servis_backup.moc"
