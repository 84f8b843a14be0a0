#include "ServisFixture.h"

#include "Schema.h"
#include "engine/Database.h"

#include <QAction>
#include <QDir>
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

// The files of a desk whose records are kept on a server: a backup is the same pair of files any
// desk opens; a restore onto the server is refused with the way to do it.
class TestServisServer : public QObject {
    Q_OBJECT

    std::unique_ptr<ServisFixture> f;
    std::unique_ptr<QTemporaryDir> place;

    QString backupFolder() const { return place->filePath(QStringLiteral("Yedek")); }
    void backUp() {
        f->dialogs.fileNames << QDir(backupFolder()).filePath(QStringLiteral("Servis.mdb"));
        f->child<QAction>("Yedekle")->trigger();
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

    void aStoppedBackupLeavesNothingBehind() {
        f->dialogs.cancelInTitled = QStringLiteral("Bilgilerini Yedekle...");
        backUp();
        QCOMPARE(
            QDir(backupFolder()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot),
            QStringList{});
    }

    void aRestoreOntoTheServerIsRefusedAndChangesNothing() {
        backUp();
        TestDatabase::sql(f->db.servis(),
                          "UPDATE Servis SET Unvan = 'Sonra' WHERE ServisKayitNo = '01-0001-01'");
        f->dialogs.shown.clear();
        f->dialogs.fileNames << QDir(backupFolder()).filePath(QStringLiteral("Servis.mdb"));
        f->child<QAction>("Gerial")->trigger();
        QCOMPARE(f->dialogs.shown.size(), 1);
        QVERIFY(f->dialogs.shown[0].text.contains("kts-server move"));
        QCOMPARE(f->servis("SELECT Unvan FROM Servis WHERE ServisKayitNo = '01-0001-01'").toString(),
                 QStringLiteral("Sonra"));
        QVERIFY(!f->child<QAction>("Gerial")->isChecked());
    }
};

QTEST_MAIN(TestServisServer)
#include "tst_servis_server.moc"
