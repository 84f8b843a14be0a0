#include "Csv.h"
#include "ImportError.h"
#include "JetConversion.h"
#include "JetDateTime.h"
#include "JetHeader.h"
#include "JetStartup.h"
#include "Schema.h"
#include "ServisFixture.h"
#include "engine/Database.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>

namespace {

const QString kFixtures = QStringLiteral(KTS_JET_FIXTURES);
const jet::ReaderProgram kReader{QStringLiteral(KTS_IMPORT_TOOL)};

QByteArray bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A fixture copied in as a user's file would be: writable.
void copyIn(const QString& fixture, const QString& to) {
    QFile::remove(to);
    QVERIFY(QFile::copy(kFixtures + u'/' + fixture, to));
    QFile(to).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// A byte of a copied-in file changed, as a damaged disk or a crash leaves it.
void damage(const QString& path, qint64 offset, char value) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek(offset));
    QVERIFY(f.putChar(value));
}

QStringList listing(const QString& dir) {
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}

// A table of a converted file written the way the expected/ files are, for the columns of
// their header line.
QString tableCsv(const QString& file, const QString& table, const QStringList& columns) {
    auto db = engine::Database::open(file);
    const engine::TableInfo& info = db->table(table);
    QVector<engine::FieldType> types;
    for (const QString& c : columns)
        types << info.fields[info.indexOf(c)].type;
    engine::Statement s =
        db->prepare(QStringLiteral("SELECT %1 FROM %2 ORDER BY ID").arg(columns.join(u','), table));
    QString out = columns.join(u',') + u'\n';
    while (s.step()) {
        QVariantList cells;
        for (int i = 0; i < columns.size(); ++i)
            cells << s.value(i);
        out += jet::csvLine(cells, types) + u'\n';
    }
    return out;
}

QStringList schemaOf(const QString& file) {
    auto db = engine::Database::open(file);
    engine::Statement s = db->prepare(QStringLiteral("SELECT type || ' ' || name || ' ' || "
                                                     "coalesce(sql, '') FROM sqlite_master ORDER BY name"));
    QStringList out;
    while (s.step())
        out << s.value(0).toString();
    return out;
}

jet::TargetSchema schemaFor(const QString& fileName) {
    return *jet::schemaForFile(fileName);
}

} // namespace

class TestJetImport : public QObject {
    Q_OBJECT

    QTemporaryDir converted_; // both fixtures, converted in place once

private Q_SLOTS:
    void initTestCase() {
        for (const QString& name : {QStringLiteral("Servis.mdb"), QStringLiteral("Stok.mdb")}) {
            const QString path = converted_.filePath(name);
            copyIn(QStringLiteral("jet4/") + name, path);
            jet::JetConversion c(path, path, schemaFor(name), kReader);
            c.prepare();
            c.commit();
        }
    }

    void everyCellArrives_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("table");
        for (const char* t : {"Servis", "Cari"})
            QTest::newRow(t) << "Servis.mdb" << t;
        for (const char* t : {"StokHareket", "StokKartlar", "Gurup", "AltGurup"})
            QTest::newRow(t) << "Stok.mdb" << t;
    }
    // Null and empty apart, Turkish letters, quotes, CR LF, the long memo, dates, times and the
    // out-of-list code: every cell as the old file held it.
    void everyCellArrives() {
        QFETCH(QString, file);
        QFETCH(QString, table);
        const QString expected =
            QString::fromUtf8(bytes(kFixtures + QStringLiteral("/jet4/expected/") + table + ".csv"));
        const QStringList header = expected.section(u'\n', 0, 0).split(u',');
        QCOMPARE(tableCsv(converted_.filePath(file), table, header), expected);
    }

    void convertedFilesAreTheProgramsAndOriginalsAreKept() {
        TestDatabase fresh;
        QCOMPARE(schemaOf(converted_.filePath("Servis.mdb")), schemaOf(fresh.servis()));
        QCOMPARE(schemaOf(converted_.filePath("Stok.mdb")), schemaOf(fresh.stok()));
        for (const QString& name : {schema::kServisFile, schema::kStokFile})
            QCOMPARE(schema::checkDatabaseFile(converted_.filePath(name), name), QString());
        for (const char* name : {"Servis", "Stok"}) {
            const QString kept = converted_.filePath(QStringLiteral("%1.access-yedek.mdb").arg(name));
            QCOMPARE(bytes(kept), bytes(kFixtures + QStringLiteral("/jet4/%1.mdb").arg(name)));
            QCOMPARE(TestDatabase::scalar(converted_.filePath(QStringLiteral("%1.mdb").arg(name)),
                                          "PRAGMA integrity_check"),
                     QVariant("ok"));
        }
        QCOMPARE(listing(converted_.path()),
                 (QStringList{"Servis.access-yedek.mdb", "Servis.mdb", "Stok.access-yedek.mdb", "Stok.mdb"}));
    }

    void interruptedConversionLeavesTheOriginal_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<QString>("stopTable");
        QTest::addColumn<int>("stopRow");
        QTest::addColumn<bool>("cancel"); // else a failure
        QTest::newRow("Vazgeç halfway through Servis") << "Servis.mdb" << true << "Servis" << 15 << true;
        QTest::newRow("failure halfway through Cari") << "Servis.mdb" << true << "Cari" << 5 << false;
        QTest::newRow("failure in the last table of Stok") << "Stok.mdb" << true << "AltGurup" << 4 << false;
        QTest::newRow("to a new file: Vazgeç in StokKartlar")
            << "Stok.mdb" << false << "StokKartlar" << 7 << true;
    }
    void interruptedConversionLeavesTheOriginal() {
        QFETCH(QString, file);
        QFETCH(bool, inPlace);
        QFETCH(QString, stopTable);
        QFETCH(int, stopRow);
        QFETCH(bool, cancel);
        QTemporaryDir dir;
        const QString path = dir.filePath(file);
        copyIn(QStringLiteral("jet4/") + file, path);
        const QByteArray before = bytes(path);
        const QString target = inPlace ? path : dir.filePath("Yeni.mdb");
        bool stopped = false;
        try {
            jet::JetConversion c(path, target, schemaFor(file), kReader);
            c.prepare([&](const QString& table, qint64 done, qint64) {
                if (table == stopTable && done == stopRow) {
                    if (!cancel)
                        throw std::runtime_error("disk failure");
                    return false;
                }
                return true;
            });
            c.commit();
        } catch (const jet::ImportError& e) {
            stopped = cancel && e.cancelled();
        } catch (const std::runtime_error&) {
            stopped = !cancel;
        }
        QVERIFY(stopped);
        QCOMPARE(listing(dir.path()), QStringList{file});
        QCOMPARE(bytes(path), before);
    }

    // The old engine let a code in twice: the later row goes, whole, to a CSV file beside the
    // new database, and the rows before and after it still arrive. Files of an earlier
    // conversion keep their names and contents.
    void duplicateCodeGoesToACsvFileAndNothingEarlierIsReplaced() {
        QTemporaryDir dir;
        const QString path = dir.filePath("Servis.mdb");
        copyIn(QStringLiteral("jet4-duplicate-code/Servis.mdb"), path);
        const QByteArray original = bytes(path);
        for (const char* earlier : {"Servis.access-yedek.mdb", "Servis.yinelenen-kodlar.csv"}) {
            QFile f(dir.filePath(earlier));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("earlier");
        }
        jet::JetConversion c(path, path, schemaFor("Servis.mdb"), kReader);
        const jet::ConversionReport& r = c.prepare();
        c.commit();
        QCOMPARE(r.duplicates(), 1);
        const QString csv = dir.filePath("Servis.yinelenen-kodlar-2.csv");
        QCOMPARE(r.duplicateFiles, QStringList{csv});
        QCOMPARE(r.kept, dir.filePath("Servis.access-yedek-2.mdb"));
        QCOMPARE(bytes(r.kept), original);
        QCOMPARE(bytes(dir.filePath("Servis.access-yedek.mdb")), QByteArray("earlier"));
        QCOMPARE(bytes(dir.filePath("Servis.yinelenen-kodlar.csv")), QByteArray("earlier"));

        // Records end with a bare LF; memos keep CR LF inside their quotes.
        const QStringList expected =
            QString::fromUtf8(bytes(kFixtures + "/jet4-duplicate-code/expected/Servis.csv"))
                .split(QRegularExpression("(?<!\\r)\\n"));
        QCOMPARE(QString::fromUtf8(bytes(csv)), expected[0] + u'\n' + expected[4] + u'\n');
        QCOMPARE(tableCsv(path, "Servis", expected[0].split(u',')),
                 QStringList(expected.mid(0, 4)).join(u'\n') + u'\n');
    }

    // Names meet without regard to case; what has no place on either side is reported.
    void reportsWhatItDoesNotCopy() {
        QTemporaryDir dir;
        const QString path = dir.filePath("Stok.mdb");
        copyIn(QStringLiteral("jet4/Stok.mdb"), path);
        const jet::TargetSchema narrow{
            "Stok.mdb",
            {"CREATE TABLE STOKKARTLAR (ID INTEGER PRIMARY KEY, stokkod TEXT, SERINO TEXT, Raf TEXT)",
             "CREATE TABLE gurup (ID INTEGER PRIMARY KEY, GURUP TEXT)",
             "CREATE TABLE Depo (ID INTEGER PRIMARY KEY, Ad TEXT)"},
            {"STOKKARTLAR", "gurup", "Depo"}};
        const QString target = dir.filePath("Yeni.mdb");
        jet::JetConversion c(path, target, narrow, kReader);
        const jet::ConversionReport r = c.prepare();
        c.commit();
        QCOMPARE(r.unknownTables, (QStringList{"StokHareket", "AltGurup"}));
        QCOMPARE(r.unknownColumns, (QStringList{"StokKartlar.StokAd", "StokKartlar.Barkod",
                                                "StokKartlar.Gurup", "StokKartlar.AltGurup"}));
        QCOMPARE(r.missingColumns, QStringList{"STOKKARTLAR.Raf"});
        QCOMPARE(r.missingTables, QStringList{"Depo"});

        // The same cells as under the program's own spelling of the names.
        QCOMPARE(tableCsv(target, "StokKartlar", {"StokKod", "Serino"}),
                 tableCsv(converted_.filePath("Stok.mdb"), "StokKartlar", {"StokKod", "Serino"}));
        QCOMPARE(TestDatabase::scalar(target, "SELECT count(*) FROM StokKartlar WHERE Raf IS NULL"),
                 QVariant(15));
        QCOMPARE(TestDatabase::scalar(target, "SELECT count(*) FROM Gurup"), QVariant(3));
    }

    void recognisesOldFilesByTheirHeader_data() {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("format");
        const QByteArray jet("\x00\x01\x00\x00Standard Jet DB\x00", 20),
            ace("\x00\x01\x00\x00Standard ACE DB\x00", 20);
        QTest::newRow("Jet 3") << jet + QByteArray(1, 0) << int(jet::Format::Jet3);
        QTest::newRow("Jet 4") << jet + QByteArray(1, 1) << int(jet::Format::Jet4);
        QTest::newRow("ACE") << ace + QByteArray(1, 2) << int(jet::Format::Ace);
        QTest::newRow("cut short") << jet << int(jet::Format::NotJet);
        QTest::newRow("SQLite") << QByteArray("SQLite format 3\x00", 16) + QByteArray(100, 0)
                                << int(jet::Format::NotJet);
        QTest::newRow("signature one place off")
            << QByteArray(1, 0) + jet + QByteArray(1, 1) << int(jet::Format::NotJet);
    }
    void recognisesOldFilesByTheirHeader() {
        QFETCH(QByteArray, head);
        QFETCH(int, format);
        QTemporaryDir dir;
        QFile f(dir.filePath("Servis.mdb"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(head.size() > 20 ? head + QByteArray(2048, 'Z') : head);
        f.close();
        QCOMPARE(int(jet::fileFormat(f.fileName())), format);
    }

    void dateAndTime_data() {
        QTest::addColumn<double>("days");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::newRow("day 0 at noon") << 0.5 << "1899-12-30"
                                       << "12:00:00";
        QTest::newRow("leap day") << 38046.0 << "2004-02-29"
                                  << "00:00:00";
        QTest::newRow("before day 0: the fraction counts forward") << -1.25 << "1899-12-29"
                                                                   << "06:00:00";
        QTest::newRow("a hair before midnight is the next day") << 38046.9999999999 << "2004-03-01"
                                                                << "00:00:00";
        QTest::newRow("last second of the day") << 38046.0 + 86399.0 / 86400 << "2004-02-29"
                                                << "23:59:59";
    }
    void dateAndTime() {
        QFETCH(double, days);
        QFETCH(QString, date);
        QFETCH(QString, time);
        QCOMPARE(jet::dateText(days), date);
        QCOMPARE(jet::timeText(days), time);
    }

    void startUp_data() {
        QTest::addColumn<QString>("servis"); // fixture copied in as Servis.mdb, or empty
        QTest::addColumn<QString>("stok");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("clickVazgec");
        QTest::addColumn<bool>("goesOn");
        QTest::addColumn<QString>("says");    // in the closing message; %DIR% is the program directory
        QTest::addColumn<QString>("caption"); // of the service window then
        const int yes = int(ui::Answer::Yes), no = int(ui::Answer::No);
        const QString servis = "jet4/Servis.mdb", stok = "jet4/Stok.mdb";
        QTest::newRow("both old, Yes")
            << servis << stok << yes << false << true << "Stok.mdb: 66 kayıt aktarıldı"
            << "Kayıt: 1 / 30";
        QTest::newRow("a code twice") << "jet4-duplicate-code/Servis.mdb" << stok << yes << false << true
                                      << "1 kayıt yeni dosyaya alınamadı; bütün alanlarıyla şu dosyaya "
                                         "yazıldı: %DIR%/Servis.yinelenen-kodlar.csv"
                                      << "Kayıt: 1 / 3";
        QTest::newRow("both old, No")
            << servis << stok << no << false << false << "kts-import ESKİ.mdb YENİ.mdb"
            << "";
        QTest::newRow("Vazgeç while Stok is converted")
            << servis << stok << yes << true << false << "Dönüştürme durduruldu."
            << "";
        QTest::newRow("only Stok old")
            << "" << stok << yes << false << true << "Asıl dosya: Stok.access-yedek.mdb"
            << "Kayıt: 1 / 1";
        QTest::newRow("a stock file as Servis.mdb is refused")
            << stok << stok << yes << false << false << "tablolarından hiçbiri yok"
            << "";
        QTest::newRow("neither old: no question") << ""
                                                  << "" << no << false << true << ""
                                                  << "";
    }
    void startUp() {
        QFETCH(QString, servis);
        QFETCH(QString, stok);
        QFETCH(int, answer);
        QFETCH(bool, clickVazgec);
        QFETCH(bool, goesOn);
        QFETCH(QString, says);
        QFETCH(QString, caption);
        ServisFixture f;
        says.replace("%DIR%", f.db.dir());
        if (!servis.isEmpty())
            copyIn(servis, f.db.servis());
        else
            f.addRecord(record("05-0001-01", "Tek Kayıt"));
        if (!stok.isEmpty())
            copyIn(stok, f.db.stok());
        const QStringList before = listing(f.db.dir());
        const QByteArray servisBefore = bytes(f.db.servis()), stokBefore = bytes(f.db.stok());
        f.dialogs.answers = {ui::Answer(answer)};

        if (clickVazgec) // once Servis.mdb is made and Stok.mdb is under way, as a user would
            f.dialogs.stopWhen = [](const QString& text) { return text.startsWith("Stok.mdb"); };
        QCOMPARE(offerJetConversion(nullptr, f.db.dir(), kReader), goesOn);

        const bool asked = !servis.isEmpty() || !stok.isEmpty();
        QCOMPARE(f.dialogs.shown.size(), asked ? 2 : 0);
        if (!asked) {
            QCOMPARE(listing(f.db.dir()), before);
            return;
        }
        const QString question = f.dialogs.shown[0].text;
        QCOMPARE(question.contains("Servis.mdb"), !servis.isEmpty());
        QVERIFY(question.contains("Stok.mdb ") && question.contains("Stok.access-yedek.mdb"));
        QVERIFY(question.contains(QDir::toNativeSeparators(f.db.dir())));
        if (!goesOn) {
            QCOMPARE(listing(f.db.dir()), before);
            QCOMPARE(bytes(f.db.servis()), servisBefore);
            QCOMPARE(bytes(f.db.stok()), stokBefore);
            QVERIFY2(f.dialogs.shown[1].text.contains(says), qPrintable(f.dialogs.shown[1].text));
            return;
        }
        QCOMPARE(bytes(f.db.dir() + "/Stok.access-yedek.mdb"), stokBefore);
        QVERIFY(f.dialogs.shown[1].text.startsWith("Dönüştürme tamamlandı."));
        QVERIFY2(f.dialogs.shown[1].text.contains(says), qPrintable(f.dialogs.shown[1].text));
        f.open();
        QCOMPARE(f.caption(), caption);
        QCOMPARE(f.code(), servis.isEmpty() ? QStringLiteral("05-0001-01") : QStringLiteral("01-0001-01"));
        QCOMPARE(f.box(0),
                 servis.isEmpty() ? QStringLiteral("Tek Kayıt") : QStringLiteral("Ali'nin Dükkanı"));
    }

    // A file that crashes the reader, or sends it round a loop that only grows, ends in a message
    // naming it; Servis.mdb converted before a failing Stok.mdb is not put in place either.
    void damagedFileEndsInAMessage_data() {
        QTest::addColumn<QString>("servis");
        QTest::addColumn<QString>("stok");
        QTest::addColumn<qint64>("memoryMb");
        QTest::addColumn<int>("silenceSeconds");
        QTest::addColumn<int>("cancelAfterChecks");
        QTest::addColumn<QString>("says");
        const QString servis = "jet4/Servis.mdb", stok = "jet4/Stok.mdb",
                      loop = "jet4-empty-property/Servis.mdb";
        const QString damaged = "%1: dosya bozuk; dönüştürülemedi, asıl dosya olduğu gibi duruyor (%2).";
        QTest::newRow("usage map lost: the reader crashes")
            << servis << "jet4-lost-usage-map/Stok.mdb" << qint64(512) << 20 << -1
            << damaged.arg("%DIR%/Stok.mdb", "okuyan işlem çöktü ya da bellek sınırını aştı");
        QTest::newRow("empty property: past the memory limit")
            << loop << stok << qint64(256) << 600 << -1
            << damaged.arg("%DIR%/Servis.mdb", "okuyan işlem çöktü ya da bellek sınırını aştı");
        QTest::newRow("empty property: past the time limit")
            << loop << stok << qint64(65536) << 1 << -1
            << damaged.arg("%DIR%/Servis.mdb", "okuma 1 saniye içinde ilerlemedi");
        QTest::newRow("empty property: Vazgeç while the reader is busy")
            << loop << stok << qint64(512) << 600 << 3 << "Dönüştürme durduruldu.";
    }
    void damagedFileEndsInAMessage() {
        QFETCH(QString, servis);
        QFETCH(QString, stok);
        QFETCH(qint64, memoryMb);
        QFETCH(int, silenceSeconds);
        QFETCH(int, cancelAfterChecks);
        QFETCH(QString, says);
        ServisFixture f;
        says.replace("%DIR%", f.db.dir());
        copyIn(servis, f.db.servis());
        copyIn(stok, f.db.stok());
        const QStringList before = listing(f.db.dir());
        const QByteArray servisBefore = bytes(f.db.servis()), stokBefore = bytes(f.db.stok());
        f.dialogs.answers = {ui::Answer::Yes};
        f.dialogs.cancelAfterChecks = cancelAfterChecks;

        QVERIFY(!offerJetConversion(nullptr, f.db.dir(), {kReader.path, memoryMb << 20, silenceSeconds}));
        QCOMPARE(f.dialogs.shown.size(), 2);
        QVERIFY2(f.dialogs.shown[1].text.contains(says), qPrintable(f.dialogs.shown[1].text));
        QVERIFY(f.dialogs.shown[1].text.contains("Asıl dosyalar yerinde ve değişmedi."));
        QCOMPARE(listing(f.db.dir()), before);
        QCOMPARE(bytes(f.db.servis()), servisBefore);
        QCOMPARE(bytes(f.db.stok()), stokBefore);
    }

    // A file that reads to the end yet gives less than it declares: what is missing is named and
    // the user decides; the original is kept either way.
    void incompleteConversionIsTheUsersChoice_data() {
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<char>("value");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("missing");
        const int yes = int(ui::Answer::Yes), no = int(ui::Answer::No);
        // Offsets into jet4/Servis.mdb: the catalogue's name "Cari", the name of its column
        // "Telefon", the row count in its table definition (10).
        QTest::newRow("table name damaged, kept")
            << qint64(0xe8f3) << 'X' << yes << "Cari tablosu eski dosyada yok; boş kaldı.";
        QTest::newRow("column name damaged, not kept")
            << qint64(0x2713d) << 'X' << no << "Cari.Telefon sütunu eski dosyada yok; boş (Null) kaldı.";
        QTest::newRow("fewer rows than declared, not kept")
            << qint64(0x27010) << '\x0c' << no << "Cari tablosunda 12 kayıt olmalıyken 10 kayıt okunabildi.";
    }
    void incompleteConversionIsTheUsersChoice() {
        QFETCH(qint64, offset);
        QFETCH(char, value);
        QFETCH(int, answer);
        QFETCH(QString, missing);
        ServisFixture f;
        copyIn("jet4/Servis.mdb", f.db.servis());
        damage(f.db.servis(), offset, value);
        const QStringList before = listing(f.db.dir());
        const QByteArray original = bytes(f.db.servis());
        f.dialogs.answers = {ui::Answer::Yes, ui::Answer(answer)};

        const bool kept = answer == int(ui::Answer::Yes);
        QCOMPARE(offerJetConversion(nullptr, f.db.dir(), kReader), kept);
        QCOMPARE(f.dialogs.shown.size(), 3);
        const ScriptedDialogs::Shown& question = f.dialogs.shown[1];
        QVERIFY2(question.text.contains("Servis.mdb:\n" + missing), qPrintable(question.text));
        QCOMPARE(question.buttons, ui::Buttons::YesNo);
        QCOMPARE(question.defaultButton, ui::Answer::No);
        if (!kept) {
            QVERIFY(f.dialogs.shown[2].text.contains("Asıl dosyalar yerinde ve değişmedi."));
            QCOMPARE(listing(f.db.dir()), before);
            QCOMPARE(bytes(f.db.servis()), original);
            return;
        }
        QVERIFY2(f.dialogs.shown[2].text.contains("Eksik gelenler:\n" + missing),
                 qPrintable(f.dialogs.shown[2].text));
        QCOMPARE(bytes(f.db.dir() + "/Servis.access-yedek.mdb"), original);
        QCOMPARE(f.servis("SELECT count(*) FROM Servis"), QVariant(30));
    }

    // A FIFO in an Access file's place would block an ordinary open for ever.
    void fifoIsNoAccessFile() {
        ServisFixture f;
        f.addRecord(record("05-0001-01", "Tek Kayıt"));
        const QString fifo = f.db.dir() + "/Stok.mdb";
        QFile::remove(fifo);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QCOMPARE(jet::fileFormat(fifo), jet::Format::NotJet);
        QVERIFY(offerJetConversion(nullptr, f.db.dir(), kReader));
        QVERIFY(f.dialogs.shown.isEmpty());
        QVERIFY_THROWS_EXCEPTION(jet::ImportError, jet::JetConversion::schemaOf(fifo, kReader));
    }

    // A file that is neither this program's nor an old Access one is not taken for either.
    void otherFilesAreRefused() {
        ServisFixture f;
        QFile garbage(f.db.servis());
        QVERIFY(garbage.open(QIODevice::WriteOnly | QIODevice::Truncate));
        garbage.write(QByteArray(4096, 'x'));
        garbage.close();
        QVERIFY(offerJetConversion(nullptr, f.db.dir(), kReader));
        QVERIFY(f.dialogs.shown.isEmpty());
        frmServis w;
        QVERIFY(!w.Form_Load());
        QCOMPARE(f.dialogs.shown.size(), 1);
        QVERIFY(f.dialogs.shown[0].text.contains("Servis.mdb"));
        QCOMPARE(f.dialogs.shown[0].icon, ui::Icon::Critical);
    }

    void commandLine_data() {
        QTest::addColumn<QString>("old");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("Servis") << "jet4/Servis.mdb"
                                << "Yeni.mdb" << 0 << "Servis: 30 of 30 rows\n  Cari: 10 of 10";
        QTest::newRow("Stok, in place") << "jet4/Stok.mdb"
                                        << "" << 0 << "AltGurup: 8 of 8 rows";
        QTest::newRow("duplicate code") << "jet4-duplicate-code/Servis.mdb"
                                        << "Yeni.mdb" << 0 << "Servis: 3 of 4 rows, 1 with a code";
        QTest::newRow("target exists") << "jet4/Servis.mdb"
                                       << "Var.mdb" << 1 << "zaten var";
        QTest::newRow("not an Access file") << ""
                                            << "Yeni.mdb" << 1 << "Access (Jet) veritabanı dosyası değil";
        QTest::newRow("damaged, in place") << "jet4-lost-usage-map/Stok.mdb"
                                           << "" << 1 << "dosya bozuk; dönüştürülemedi";
    }
    void commandLine() {
        QFETCH(QString, old);
        QFETCH(QString, target);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString oldPath = dir.filePath("Old.mdb");
        if (old.isEmpty()) {
            TestDatabase fresh;
            QVERIFY(QFile::copy(fresh.servis(), oldPath));
        } else {
            copyIn(old, oldPath);
        }
        const QByteArray before = bytes(oldPath);
        QStringList files{"Old.mdb"};
        if (target == "Var.mdb") {
            QFile existing(dir.filePath(target));
            QVERIFY(existing.open(QIODevice::WriteOnly));
            files << target;
        }
        QProcess tool;
        tool.setProcessChannelMode(QProcess::MergedChannels);
        tool.start(QStringLiteral(KTS_IMPORT_TOOL),
                   {oldPath, target.isEmpty() ? oldPath : dir.filePath(target)});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), exitCode);
        const QString output = QString::fromUtf8(tool.readAll());
        QVERIFY2(output.contains(says), qPrintable(output));
        if (exitCode != 0)
            QCOMPARE(listing(dir.path()), files);
        const QString kept =
            target.isEmpty() && exitCode == 0 ? dir.filePath("Old.access-yedek.mdb") : oldPath;
        QCOMPARE(bytes(kept), before);
    }
};

QTEST_MAIN(TestJetImport)
#include "tst_jetimport.moc"
