#include "Report.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

class TestReport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void medianOfOddEvenAndUnsortedSamples() {
        QCOMPARE(median({5, 1, 3}), 3.0);
        QCOMPARE(median({4, 1, 3, 2}), 2.5);
        QCOMPARE(median({7}), 7.0);
        QCOMPARE(median({}), 0.0);
    }

    void targetsHoldOnlyWhenEveryLimitHolds() {
        const Target both{.maxMs = 5, .maxRatio = 2};
        QVERIFY(both.met(4, 2.5));
        QVERIFY(!both.met(4, 1.5)); // fast, but more than twice the baseline
        QVERIFY(!both.met(6, 10));  // within the ratio, but slower than 5 ms
        QVERIFY(Target{.maxMs = 2}.met(2, 0.001));
        QVERIFY(Target{.maxRatio = 1.5}.met(300, 200));
        QCOMPARE(both.text(), QStringLiteral("≤ 5 ms, ≤ 2× raw"));
    }

    // Other tools read the JSON: the names of its fields are a contract.
    void jsonCarriesEveryResultAndThePeak() {
        Report report;
        report.results << Result{.name = QStringLiteral("next_record"),
                                 .oursMs = 3,
                                 .rawMs = 0.5,
                                 .target = {.maxMs = 2}}
                       << Result{.name = QStringLiteral("save_new"),
                                 .oursMs = 3,
                                 .rawMs = 0.5,
                                 .target = {.maxRatio = 2},
                                 .storeMs = 1.5};
        report.peakRssMb = 42.5;
        report.peakRssTargetMb = 150;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bench.json"));
        report.writeJson(path);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
        QCOMPARE(root.value(QStringLiteral("peak_rss_mb")).toDouble(), 42.5);
        const QJsonArray results = root.value(QStringLiteral("results")).toArray();
        QCOMPARE(results.size(), 2);
        const QJsonObject r = results.first().toObject();
        QCOMPARE(r.value(QStringLiteral("name")).toString(), QStringLiteral("next_record"));
        QCOMPARE(r.value(QStringLiteral("ours_ms")).toDouble(), 3.0);
        QCOMPARE(r.value(QStringLiteral("raw_ms")).toDouble(), 0.5);
        QCOMPARE(r.value(QStringLiteral("ratio")).toDouble(), 6.0);
        QCOMPARE(r.value(QStringLiteral("target")).toString(), QStringLiteral("≤ 2 ms"));
        QCOMPARE(r.value(QStringLiteral("met")).toBool(), false);
        QVERIFY(!r.contains(QStringLiteral("store_ms"))); // not measured on files
        // On a server the store's part is held to the line's ratio on its own.
        const QJsonObject s = results.last().toObject();
        QCOMPARE(s.value(QStringLiteral("met")).toBool(), false);
        QCOMPARE(s.value(QStringLiteral("store_ms")).toDouble(), 1.5);
        QCOMPARE(s.value(QStringLiteral("store_ratio")).toDouble(), 3.0);
        QCOMPARE(s.value(QStringLiteral("store_met")).toBool(), false);
    }
};

QTEST_GUILESS_MAIN(TestReport)
#include "tst_report.moc"
