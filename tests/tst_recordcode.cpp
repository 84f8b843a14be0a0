#include "RecordCode.h"

#include <QTest>

class TestRecordCode : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void proposeNext_data() {
        QTest::addColumn<QString>("dataNo");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no code yet") << ""
                                     << "01-0001-01";
        QTest::newRow("counts up the middle") << "01-0041-07"
                                              << "01-0042-07";
        QTest::newRow("carries into hundreds") << "05-0099-12"
                                               << "05-0100-12";
        QTest::newRow("prompts in the middle") << "01-12__-07"
                                               << "01-0013-07";
        QTest::newRow("middle without digits counts as 0") << "01-____-07"
                                                           << "01-0001-07";
        QTest::newRow("middle full: first group counts up") << "01-9999-07"
                                                            << "02-0001-07";
        QTest::newRow("first group wraps") << "99-9999-07"
                                           << "00-0001-07";
        QTest::newRow("damaged setting still gives the shape") << "x"
                                                               << "00-0001-00";
    }
    void proposeNext() {
        QFETCH(QString, dataNo);
        QFETCH(QString, expected);
        QCOMPARE(recordcode::proposeNext(dataNo), expected);
    }

    void complete_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty code") << "__-____-__"
                                    << "00-0000-00";
        QTest::newRow("two middle digits") << "__-12__-__"
                                           << "00-0012-00";
        QTest::newRow("complete code unchanged") << "05-0100-12"
                                                 << "05-0100-12";
        QTest::newRow("one digit in an outer group keeps its prompt") << "1_-0012-3_"
                                                                      << "1_-0012-3_";
        QTest::newRow("middle digits anywhere") << "01-_1_2-02"
                                                << "01-0012-02";
    }
    void complete() {
        QFETCH(QString, shown);
        QFETCH(QString, expected);
        QCOMPARE(recordcode::complete(shown), expected);
    }
};

QTEST_GUILESS_MAIN(TestRecordCode)
#include "tst_recordcode.moc"
