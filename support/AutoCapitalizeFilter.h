#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLineEdit;
class QPlainTextEdit;
class QTextEdit;
class QWidget;

// Puts AutoCapitalizeKey between a text box and the user's typing: each typed character goes
// through it as a code page 1254 code, and the box receives the result instead, or nothing when
// the key is swallowed. The filter belongs to the box and goes with it.
class AutoCapitalizeFilter : public QObject {
    Q_OBJECT

public:
    static void install(QLineEdit* box);
    static void install(QPlainTextEdit* box);
    static void install(QTextEdit* box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TextAndCaret {
        QString text;
        qsizetype selStart = 0;
    };

    AutoCapitalizeFilter(QWidget* box, std::function<TextAndCaret()> read);

    std::function<TextAndCaret()> read_;
};
