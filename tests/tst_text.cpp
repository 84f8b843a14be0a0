#include "engine/Text.h"

#include <QTest>

class TestText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void like_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("match");
        QTest::newRow("prefix, other case") << "ANKARA OTO"
                                            << "an*" << true;
        QTest::newRow("prefix, Turkish letters") << "Antalya Elektrik"
                                                 << "AN*" << true;
        QTest::newRow("prefix does not match inside") << "KANKA"
                                                      << "AN*" << false;
        QTest::newRow("dotted i pairs with İ") << "İSTANBUL"
                                               << "istanbul" << true;
        QTest::newRow("dotless ı pairs with I") << "ISPARTA"
                                                << "ısparta" << true;
        QTest::newRow("i is not I") << "ISPARTA"
                                    << "isparta" << false;
        QTest::newRow("ı is not İ") << "İZMİR"
                                    << "ızmır" << false;
        QTest::newRow("ğüşöç fold") << "ĞÜŞÖÇ"
                                    << "ğüşöç" << true;
        QTest::newRow("question mark is one character") << "A1B"
                                                        << "A?B" << true;
        QTest::newRow("question mark needs a character") << "AB"
                                                         << "A?B" << false;
        QTest::newRow("hash is a digit") << "A7"
                                         << "A#" << true;
        QTest::newRow("hash is not a letter") << "AX"
                                              << "A#" << false;
        QTest::newRow("bracket list") << "b"
                                      << "[abc]" << true;
        QTest::newRow("bracket range") << "K"
                                       << "[a-m]" << true;
        QTest::newRow("negated list") << "d"
                                      << "[!abc]" << true;
        QTest::newRow("negated list miss") << "a"
                                           << "[!abc]" << false;
        QTest::newRow("bracketed star is literal") << "5*"
                                                   << "5[*]" << true;
        QTest::newRow("star in the middle backtracks") << "SERVIS SERVISI"
                                                       << "*SERVIS?" << true;
        QTest::newRow("empty pattern matches empty") << ""
                                                     << "" << true;
        QTest::newRow("star matches empty") << ""
                                            << "*" << true;
        QTest::newRow("apostrophe is plain") << "Ali'nin Dükkanı"
                                             << "ali'nin*" << true;
    }
    void like() {
        QFETCH(QString, value);
        QFETCH(QString, pattern);
        QFETCH(bool, match);
        QCOMPARE(engine::likeMatch(value, pattern), match);
    }

    void fold() {
        QCOMPARE(engine::foldText(u"istanbul ığdır çöğüş"), QStringLiteral("İSTANBUL IĞDIR ÇÖĞÜŞ"));
    }

    void quoting() {
        QCOMPARE(engine::sqlQuote(QStringLiteral("Ali'nin Dükkanı")), QStringLiteral("'Ali''nin Dükkanı'"));
        QCOMPARE(engine::sqlQuote(QString()), QStringLiteral("''"));
        QVERIFY(engine::hasCasedLetters(u"ı"));
        QVERIFY(!engine::hasCasedLetters(u"05-0001-12"));
    }
};

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
