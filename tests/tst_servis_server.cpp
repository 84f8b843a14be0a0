#include "ServisFixture.h"

#include "AutoBackup.h"
#include "Schema.h"
#include "engine/Database.h"
#include "engine/PgStore.h"
#include "frmYedekler.h"

#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every row of every table, as text, in key order.
QString contents(engine::Database& db, const QStringList& tables) {
    QStringList out;
    for (const QString& table : tables) {
        engine::Statement s = db.prepare(QStringLiteral("SELECT * FROM %1 ORDER BY ID").arg(table));
        while (s.step()) {
            QStringList row{table};
            for (int i = 0; i < s.columnCount(); ++i) {
                const QVariant v = s.value(i);
                row << (v.isValid() ? v.toString() : QStringLiteral("<NULL>"));
            }
            out << row.join(u'|');
        }
    }
    return out.join(u'\n');
}

} // namespace

// The files of a desk whose records are kept on a server: a backup, by hand or automatic, is the
// same pair of files any desk opens, and either kind can be restored onto the server.
class TestServisServer : public QObject {
    Q_OBJECT

    std::unique_ptr<ServisFixture> f;
    std::unique_ptr<QTemporaryDir> place;

    QString backupFolder() const { return place->filePath(QStringLiteral("Yedek")); }
    void backUp() {
        f->dialogs.fileNames << QDir(backupFolder()).filePath(QStringLiteral("Servis.mdb"));
        f->child<QAction>("Yedekle")->trigger();
    }
    QString yedekler() const { return QDir(f->db.dir()).filePath(autobackup::kFolder); }
    frmYedekler* backupList() {
        f->child<QAction>("OtomatikYedekler")->trigger();
        return f->child<frmYedekler>("frmYedekler");
    }
    void backUpAutomatically() {
        QTest::mouseClick(backupList()->findChild<QPushButton*>("SimdiYedekle"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!f->child<autobackup::Runner>("OtomatikYedek")->running(), 20000);
    }
    // The titles of the records in the newest automatic backup.
    QString newestBackedUpTitles() {
        const QList<autobackup::Backup> backups = autobackup::list(yedekler());
        QTemporaryDir into;
        bool stopped = false;
        if (backups.isEmpty() || !autobackup::extract(
                                      backups.first().path, {schema::kServisFile}, into.path(),
                                      [](qint64, qint64) { return true; }, &stopped)
                                      .isEmpty())
            return {};
        return contents(*engine::Database::openFile(into.filePath(schema::kServisFile)), {"Servis"});
    }

private Q_SLOTS:
    void initTestCase() {
        if (!TestDatabase::onServer())
            QSKIP("a desk on files backs up its files (tst_servis_backup)");
    }
    void init() {
        f = std::make_unique<ServisFixture>();
        place = std::make_unique<QTemporaryDir>();
        QDir().mkpath(backupFolder());
        f->addRecord(record("01-0001-01", "Ali'nin Dükkanı"));
        QVariantMap bare = record("01-0002-01", "Çağrı\tŞükrü\nIşık");
        bare.remove("Email"); // stays NULL, apart from an empty text
        bare["Sonuc"] = QString();
        f->addRecord(bare);
        f->addUsedItem("01-0001-01", "Vida");
        f->addCustomer("Ali'nin Dükkanı", "İzmir");
        TestDatabase::sql(f->db.stok(),
                          "INSERT INTO StokKartlar (StokKod, StokAd, Gurup) VALUES ('A1', 'Toner', 'Sarf')");
        TestDatabase::sql(f->db.stok(), "INSERT INTO Gurup (Gurup) VALUES ('Sarf')");
        f->open();
    }
    void cleanup() {
        f.reset();
        place.reset();
    }

    void aBackupIsThePairOfFilesAnyDeskOpens() {
        backUp();
        QCOMPARE(f->dialogs.texts(), QStringList{});
        for (const QString& name : {schema::kServisFile, schema::kStokFile}) {
            const QString copy = QDir(backupFolder()).filePath(name);
            QCOMPARE(schema::checkDatabaseFile(copy, name, schema::Upgrade::No), QString());
            const auto file = engine::Database::openFile(copy);
            const auto server = engine::Database::open(f->db.dir() + u'/' + name);
            const QStringList tables = schema::tableNamesOf(name);
            QCOMPARE(contents(*file, tables), contents(*server, tables));
        }
        QVERIFY(contents(*engine::Database::openFile(QDir(backupFolder()).filePath(schema::kServisFile)),
                         {"Servis"})
                    .contains("|Ali'nin Dükkanı|"));
    }

    // The automatic backups copy the server's records: taken again at a close once anything was
    // written there, by this desk or another.
    void automaticBackupsAreOfTheServersRecords() {
        backUpAutomatically();
        QVERIFY(newestBackedUpTitles().contains("|Ali'nin Dükkanı|"));
        TestDatabase::sql(f->db.servis(),
                          "UPDATE Servis SET Unvan = 'Başka Masa' WHERE ServisKayitNo = '01-0001-01'");
        f->window().close();
        QTRY_VERIFY_WITH_TIMEOUT(!f->window().isVisible(), 20000);
        // Tests beside this one write on the same server, which may cost the close one more.
        QVERIFY(autobackup::list(yedekler()).size() >= 2);
        QVERIFY(newestBackedUpTitles().contains("|Başka Masa|"));
        QCOMPARE(f->dialogs.texts(), QStringList{});
    }

    void aStoppedBackupLeavesNothingBehind() {
        f->dialogs.cancelInTitled = QStringLiteral("Bilgilerini Yedekle...");
        backUp();
        QCOMPARE(
            QDir(backupFolder()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
            QStringList{});
    }

    // A restore onto the server asks first, refuses while another desk is connected, and otherwise
    // puts the pair in place of both schemas at once.
    void aRestoreOntoTheServer_data() {
        QTest::addColumn<bool>("automatic");
        QTest::addColumn<bool>("othersClosed");
        QTest::addColumn<bool>("otherDesk");
        QTest::addColumn<bool>("restored");
        QTest::newRow("restored") << false << true << false << true;
        QTest::newRow("automatic backup restored") << true << true << false << true;
        QTest::newRow("another desk connected") << false << true << true << false;
        QTest::newRow("other desks not closed") << false << false << false << false;
    }
    void aRestoreOntoTheServer() {
        QFETCH(bool, automatic);
        QFETCH(bool, othersClosed);
        QFETCH(bool, otherDesk);
        QFETCH(bool, restored);
        if (automatic)
            backUpAutomatically();
        else
            backUp();
        const auto everything = [this](const QString& name) {
            const auto server = engine::Database::open(f->db.dir() + u'/' + name);
            return contents(*server, schema::tableNamesOf(name));
        };
        const QString backedUp = everything(schema::kServisFile) + everything(schema::kStokFile);
        TestDatabase::sql(f->db.servis(),
                          "UPDATE Servis SET Unvan = 'Sonra' WHERE ServisKayitNo = '01-0001-01'");
        TestDatabase::sql(f->db.servis(), "DELETE FROM Servis WHERE ServisKayitNo = '01-0002-01'");
        TestDatabase::sql(f->db.stok(),
                          "INSERT INTO StokHareket (StokAd, KayitNo) VALUES ('Yeni', '01-0001-01')");
        const QString changed = everything(schema::kServisFile) + everything(schema::kStokFile);
        std::unique_ptr<engine::ServerLoad> other;
        if (otherDesk)
            other = std::make_unique<engine::ServerLoad>(TestDatabase::server() +
                                                         " application_name='kts-masa öbür-masa:1'");
        f->dialogs.shown.clear();
        f->dialogs.answers = {othersClosed ? ui::Answer::Yes : ui::Answer::No};
        if (automatic) {
            frmYedekler* list = backupList();
            list->findChild<QTableWidget*>("Liste")->selectRow(0);
            QTest::mouseClick(list->findChild<QPushButton*>("GeriAl"), Qt::LeftButton);
        } else {
            f->dialogs.fileNames << QDir(backupFolder()).filePath(QStringLiteral("Servis.mdb"));
            f->child<QAction>("Gerial")->trigger();
        }
        QVERIFY(f->dialogs.shown[0].text.endsWith("Diğer masalardaki programlar kapatıldı mı?"));
        QCOMPARE(f->dialogs.shown[0].defaultButton, ui::Answer::No);
        if (otherDesk) {
            QCOMPARE(f->dialogs.shown.size(), 2);
            QVERIFY2(f->dialogs.shown[1].text.startsWith("Sunucuya bağlı 1 masa daha var."),
                     qPrintable(f->dialogs.shown[1].text));
        } else {
            QCOMPARE(f->dialogs.shown.size(), 1);
        }
        QCOMPARE(f->dialogs.fileNames.isEmpty(), othersClosed || automatic); // not asked for a file on No
        QCOMPARE(everything(schema::kServisFile) + everything(schema::kStokFile),
                 restored ? backedUp : changed);
        QVERIFY(!f->child<QAction>("Gerial")->isChecked());
        if (restored) { // the window shows the restored records
            QCOMPARE(f->box(0), QStringLiteral("Ali'nin Dükkanı"));
            f->click("Data1_Last");
            QCOMPARE(f->caption(), QStringLiteral("Kayıt: 2 / 2"));
        }
    }
};

QTEST_MAIN(TestServisServer)
#include "tst_servis_server.moc"
