// The service window's side of printing: "&Yazıcı" opens the print layout window, which reads the
// shown record's values from here each time it draws.
#include "frmServis.h"

#include "Form1.h"
#include "ui/Guard.h"

#include <QAbstractItemModel>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTimeEdit>

void frmServis::connectPrint() {
    connect(cmdYazici, &QPushButton::clicked, this, ui::handler(this, &frmServis::cmdYazici_Click));
}

void frmServis::cmdYazici_Click() {
    Cursortxt->setFocus();
    // The form is drawn from what the panel shows; with nothing shown there is nothing to print.
    if (!shownRecordIsCurrent())
        return;
    (new printing::Form1(*this, this))->Form_Load();
}

QString frmServis::formText(int box) const {
    switch (box) {
    case 17:
        return recordCodeText();
    case 0:
        // Turkish dates are separated by dots.
        return KayitTarih->date().toString(QStringLiteral("dd.MM.yyyy"));
    case 1:
        return KayitSaat->time().toString(QStringLiteral("HH:mm"));
    case 13:
    case 14:
        return text1(box + 1);
    case 15: {
        // The used items' names, one per line, in the order of the materials grid.
        const QAbstractItemModel* items = DBGrid1->model();
        QStringList names;
        for (int row = 0; row < items->rowCount(); ++row)
            names << items->index(row, 0).data().toString();
        return names.join(QStringLiteral("\r\n"));
    }
    case 16:
        return text1(16);
    default:
        // Boxes 2 to 8 show Text1 0 to 6, boxes 9 to 12 show Text1 8 to 11.
        return text1(box <= 8 ? box - 2 : box - 1);
    }
}

QString frmServis::formCaption(int box) const {
    return Label1[box + 7]->text();
}

// Off, not hidden: the record stays in view beside the layout window that prints it. The layout
// window, modal to this one, keeps input and closing away; this shows it.
void frmServis::setSwitchedOff(bool off) {
    centralWidget()->setEnabled(!off);
    menuBar()->setEnabled(!off);
}
