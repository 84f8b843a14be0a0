#include "DataSet.h"
#include "Raw.h"
#include "Words.h"

#include "Schema.h"
#include "engine/Text.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString servisFile(const QString& dir) {
    return QDir(dir).filePath(schema::kServisFile);
}
QString stokFile(const QString& dir) {
    return QDir(dir).filePath(schema::kStokFile);
}

sqlite3_int64 number(const QString& file, const std::string& sql) {
    RawDb db(file);
    RawQuery q(db, sql);
    return q.step() ? q.int64(0) : -1;
}

// Every row of every table, in order: equal digests mean equal data sets.
QByteArray digest(const QString& file) {
    RawDb db(file);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    RawQuery tables(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
    while (tables.step()) {
        RawQuery rows(db, "SELECT * FROM " + tables.text(0) + " ORDER BY ID");
        while (rows.step())
            for (int i = 0; i < rows.columns(); ++i)
                hash.addData(QByteArray::fromStdString(rows.text(i) + '\x1f'));
    }
    return hash.result();
}

// The Turkish fold of a table's Unvan, as the fold indexes hold it.
std::string foldedTitle(const QString& table) {
    return engine::foldSql(QStringLiteral("Unvan"))
        .replace(QStringLiteral("\"Unvan\""), table + QStringLiteral(".Unvan"))
        .toStdString();
}

} // namespace

class TestDataSet : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    QString made; // a data set of 2000 records, made once for the shape checks

    QString generateInto(const QString& name, int records, uint64_t seed = dataset::kSeed) {
        const QString dir = tmp.filePath(name);
        dataset::generate(dir, dataset::Size::forRecords(records), seed);
        return dir;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(tmp.isValid());
        qputenv("XDG_CACHE_HOME", QFile::encodeName(tmp.filePath(QStringLiteral("cache"))));
        made = generateInto(QStringLiteral("made"), 2000);
    }

    void sizesScaleWithTheRecords() {
        const dataset::Size full = dataset::Size::forRecords(250000);
        QCOMPARE(full.customers, 50000);
        QCOMPARE(full.cards, 20000);
        QCOMPARE(full.usedItems, 500000);
        QCOMPARE(number(servisFile(made), "SELECT count(*) FROM Servis"), 2000);
        QCOMPARE(number(servisFile(made), "SELECT count(*) FROM Cari"), 400);
        QCOMPARE(number(stokFile(made), "SELECT count(*) FROM StokKartlar"), 160);
        QCOMPARE(number(stokFile(made), "SELECT count(*) FROM StokHareket"), 4000);
        QVERIFY(number(stokFile(made), "SELECT count(*) FROM Gurup") > 0);
        QCOMPARE(number(stokFile(made), "SELECT count(*) FROM AltGurup a WHERE NOT EXISTS "
                                        "(SELECT 1 FROM Gurup g WHERE g.Gurup = a.Gurup)"),
                 0);
    }

    void sameSeedSameRowsOtherSeedOtherRows() {
        const QString again = generateInto(QStringLiteral("again"), 2000);
        QCOMPARE(digest(servisFile(again)), digest(servisFile(made)));
        QCOMPARE(digest(stokFile(again)), digest(stokFile(made)));
        const QString other = generateInto(QStringLiteral("other"), 2000, dataset::kSeed + 1);
        QVERIFY(digest(servisFile(other)) != digest(servisFile(made)));
    }

    void recordCodesAreUniqueAndShaped() {
        RawDb db(servisFile(made));
        RawQuery codes(db, "SELECT ServisKayitNo FROM Servis");
        const QRegularExpression shape(QStringLiteral("^\\d\\d-\\d{4}-\\d\\d$"));
        QSet<QString> seen;
        while (codes.step()) {
            const QString code = QString::fromStdString(codes.text(0));
            QVERIFY2(shape.match(code).hasMatch(), qPrintable(code));
            QVERIFY2(!seen.contains(code), qPrintable(code));
            seen.insert(code);
        }
        QCOMPARE(seen.size(), 2000);
    }

    void usedItemsBelongToRecordsAndTheFirstHasSome() {
        RawDb db(stokFile(made));
        db.exec(("ATTACH '" + servisFile(made).toStdString() + "' AS s").c_str());
        RawQuery orphans(db, "SELECT count(*) FROM StokHareket h WHERE NOT EXISTS "
                             "(SELECT 1 FROM s.Servis r WHERE r.ServisKayitNo = h.KayitNo)");
        QVERIFY(orphans.step());
        QCOMPARE(orphans.int64(0), 0);
        RawQuery first(db, "SELECT count(*) FROM StokHareket WHERE KayitNo = "
                           "(SELECT ServisKayitNo FROM s.Servis ORDER BY ID LIMIT 1)");
        QVERIFY(first.step());
        QVERIFY(first.int64(0) > 0);
    }

    // The look-ups the benchmark times need titles outside the customer table, titles in another
    // letter case than the customer's, and customers that are unique in any case.
    void titlesMixKnownUnknownAndOtherCase() {
        RawDb db(servisFile(made));
        const std::string cari = foldedTitle(QStringLiteral("c"));
        const std::string servis = foldedTitle(QStringLiteral("s"));
        const auto count = [&](const std::string& where) {
            RawQuery q(db, "SELECT count(*) FROM Servis s WHERE " + where);
            q.step();
            return q.int64(0);
        };
        const auto unknown = count("NOT EXISTS (SELECT 1 FROM Cari c WHERE " + cari + " = " + servis + ")");
        const auto otherCase = count("NOT EXISTS (SELECT 1 FROM Cari c WHERE c.Unvan = s.Unvan) AND EXISTS "
                                     "(SELECT 1 FROM Cari c WHERE " +
                                     cari + " = " + servis + ")");
        QVERIFY2(unknown > 40 && unknown < 400, qPrintable(QString::number(unknown)));
        QVERIFY2(otherCase > 20 && otherCase < 200, qPrintable(QString::number(otherCase)));
        RawQuery dupes(db, "SELECT count(*) - count(DISTINCT " + foldedTitle(QStringLiteral("Cari")) +
                               ") FROM Cari");
        QVERIFY(dupes.step());
        QCOMPARE(dupes.int64(0), 0);
        QVERIFY(count("Unvan LIKE 'AN%'") > 0);
    }

    void turkishLetterCase() {
        QCOMPARE(words::upperTr("istanbul ılık çiğ"), std::string("İSTANBUL ILIK ÇİĞ"));
        QCOMPARE(words::titleTr("IĞDIR İNŞAAT ltd."), std::string("Iğdır İnşaat Ltd."));
        QCOMPARE(words::otherCase("Işık Bilgisayar"), std::string("IŞIK BİLGİSAYAR"));
        QCOMPARE(words::otherCase("IŞIK BİLGİSAYAR"), std::string("Işık Bilgisayar"));
    }

    void barcodesCarryAValidCheckDigit() {
        Rng rng(7);
        for (int n = 0; n < 100; ++n) {
            const std::string code = words::barcode(rng);
            QCOMPARE(code.size(), size_t(13));
            int sum = 0;
            for (size_t i = 0; i < 13; ++i)
                sum += (code[i] - '0') * (i % 2 ? 3 : 1);
            QCOMPARE(sum % 10, 0);
        }
    }

    // A data set is made once and then reused; one of another version or size is made anew.
    void cacheIsReusedAndRemadeWhenStale() {
        const dataset::Cached first = dataset::ensure(150);
        QVERIFY(first.generatedSeconds >= 0);
        QVERIFY(first.folder.startsWith(tmp.filePath(QStringLiteral("cache/KelvoraTeknikServis/bench-150"))));
        QVERIFY(first.bytes > 0);
        const dataset::Cached second = dataset::ensure(150);
        QCOMPARE(second.generatedSeconds, -1.0);
        QCOMPARE(second.folder, first.folder);

        QFile manifest(QDir(first.folder).filePath(QStringLiteral("dataset.txt")));
        QVERIFY(manifest.open(QIODevice::WriteOnly));
        manifest.write("version 0\n");
        manifest.close();
        QVERIFY(dataset::ensure(150).generatedSeconds >= 0);
        QCOMPARE(number(servisFile(first.folder), "SELECT count(*) FROM Servis"), 150);
        QVERIFY(!QDir(first.folder + QStringLiteral(".partial")).exists());
    }

    void refusesAFolderThatHoldsData() {
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, generateInto(QStringLiteral("made"), 100));
    }
};

QTEST_GUILESS_MAIN(TestDataSet)
#include "tst_dataset.moc"
