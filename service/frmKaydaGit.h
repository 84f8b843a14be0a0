#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;

// "Kayda Git": one line for a record code or a serial number, typed or scanned (a scanner types
// the text and Enter). The owner goes there; when it cannot, the box says why and stays open,
// its text selected, so that the next scan replaces it.
class frmKaydaGit : public QWidget {
    Q_OBJECT

public:
    // Goes to what the text points at; empty when done, otherwise what to tell the user.
    using Go = std::function<QString(const QString& text)>;

    frmKaydaGit(QWidget* owner, Go go);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void go();

    QLineEdit* text_;
    QLabel* note_;
    Go go_;
};
