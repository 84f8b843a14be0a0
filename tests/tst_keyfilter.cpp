#include "AutoCapitalizeFilter.h"
#include "AutoCapitalizeKey.h"
#include "codepage/CodePage1254.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextEdit>
#include <memory>

namespace {

int code(QChar c) {
    return *cp1254::fromUnicode(c);
}

// One of the three kinds of box the windows filter, with the caret placed.
std::unique_ptr<QWidget> makeBox(const QString& kind, const QString& text, int caret) {
    if (kind == u"line") {
        auto* line = new QLineEdit(text);
        line->setCursorPosition(caret);
        AutoCapitalizeFilter::install(line);
        return std::unique_ptr<QWidget>(line);
    }
    const auto place = [&](auto* edit) {
        edit->setPlainText(text);
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(caret);
        edit->setTextCursor(cursor);
        AutoCapitalizeFilter::install(edit);
        return std::unique_ptr<QWidget>(edit);
    };
    return kind == u"plain" ? place(new QPlainTextEdit) : place(new QTextEdit);
}

QString textOf(QWidget* box) {
    return box->property(qobject_cast<QLineEdit*>(box) ? "text" : "plainText").toString();
}

// keyClicks() cannot type Turkish letters, so each character goes as a key event of its own.
// A line break is typed as the Return key.
void type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c == u'\n')
            QTest::keyClick(widget, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

} // namespace

class TestKeyFilter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void autoCapitalizeKey_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("typed");
        QTest::addColumn<int>("result");
        QTest::newRow("Latin letter inside a word") << "ank" << 3 << code(u'a') << code(u'a');
        QTest::newRow("after a tab") << "a\t" << 2 << code(u'ü') << code(u'Ü');
        QTest::newRow("after '!', which is not below '!'") << "a!" << 2 << code(u'b') << code(u'b');
        QTest::newRow("Turkish letter, text ending in a period") << "abc." << 2 << code(u'ş') << code(u'Ş');
        QTest::newRow("dotted i inside a word") << "k" << 1 << code(u'i') << code(u'i');
        QTest::newRow("Latin-1 letter outside the table") << "" << 0 << code(u'é') << code(u'é');
        QTest::newRow("Ctrl+A") << "" << 0 << 1 << 0;
        QTest::newRow("Ctrl+G") << "" << 0 << 7 << 0;
        QTest::newRow("Ctrl+N") << "" << 0 << 14 << 0;
        QTest::newRow("Ctrl+P") << "" << 0 << 16 << 0;
        QTest::newRow("Ctrl+S") << "" << 0 << 19 << 0;
        QTest::newRow("Ctrl+T") << "" << 0 << 20 << 0;
        QTest::newRow("Ctrl+C passes") << "" << 0 << 3 << 3;
        QTest::newRow("backspace passes") << "ab" << 2 << 8 << 8;
    }
    void autoCapitalizeKey() {
        QFETCH(QString, text);
        QFETCH(int, selStart);
        QFETCH(int, typed);
        QFETCH(int, result);
        int keyAscii = typed;
        QCOMPARE(AutoCapitalizeKey(text, selStart, keyAscii), result);
        // Only a swallowed key changes the code passed in.
        QCOMPARE(keyAscii, result == 0 ? 0 : typed);
    }

    void typing_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        for (const char* kind : {"line", "plain", "rich"}) {
            QTest::addRow("%s: words and a sentence", kind) << kind << "" << 0 << "ankara elektrik. servis"
                                                            << "Ankara Elektrik. Servis";
            QTest::addRow("%s: Turkish words", kind) << kind << "" << 0 << "ığdır iğne şişe"
                                                     << "Iğdır İğne Şişe";
        }
        QTest::newRow("dotted i") << "line"
                                  << "" << 0 << "i"
                                  << "İ";
        QTest::newRow("dotless ı") << "line"
                                   << "" << 0 << "ı"
                                   << "I";
        QTest::newRow("after a period at the end") << "line"
                                                   << "servis." << 7 << "a"
                                                   << "servis.A";
        QTest::newRow("after a letter at the end") << "line"
                                                   << "servis" << 6 << "a"
                                                   << "servisa";
        QTest::newRow("inside a word, text ends in a period") << "line"
                                                              << "abc." << 1 << "x"
                                                              << "aXbc.";
        QTest::newRow("capitals, digits, punctuation, `") << "line"
                                                          << "" << 0 << "`1A!{Ş"
                                                          << "`1A!{Ş";
        QTest::newRow("character outside the code page") << "line"
                                                         << "" << 0 << "→x"
                                                         << "→x";
        QTest::newRow("after a line break") << "plain"
                                            << "" << 0 << "satır\nikinci"
                                            << "Satır\nİkinci";
    }
    void typing() {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        const std::unique_ptr<QWidget> box = makeBox(kind, text, caret);
        type(box.get(), typed);
        QCOMPARE(textOf(box.get()), expected);
    }

    void ctrlKeys_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("expected");
        for (const char* kind : {"line", "plain", "rich"}) {
            QTest::addRow("%s: Ctrl+S inserts nothing", kind) << kind << int(Qt::Key_S) << "Ab";
            QTest::addRow("%s: Ctrl+T inserts nothing", kind) << kind << int(Qt::Key_T) << "Ab";
            QTest::addRow("%s: Ctrl+A is swallowed", kind) << kind << int(Qt::Key_A) << "Ab";
            QTest::addRow("%s: Ctrl+Z still reaches the box", kind) << kind << int(Qt::Key_Z) << "";
        }
    }
    void ctrlKeys() {
        QFETCH(QString, kind);
        QFETCH(int, key);
        QFETCH(QString, expected);
        const std::unique_ptr<QWidget> box = makeBox(kind, QString(), 0);
        type(box.get(), QStringLiteral("ab"));
        QTest::keyClick(box.get(), Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(textOf(box.get()), expected);
        QVERIFY(box->inputMethodQuery(Qt::ImCurrentSelection).toString().isEmpty());
    }
};

QTEST_MAIN(TestKeyFilter)
#include "tst_keyfilter.moc"
