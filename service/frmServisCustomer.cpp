// Taking the customer's details from the customer table: the pop-up list and type-ahead.
#include "ServisFields.h"
#include "frmServis.h"

#include "engine/DbError.h"
#include "engine/Text.h"

#include "ui/Guard.h"

#include <QDateEdit>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

void frmServis::connectCustomerLookup() {
    cariModel_ = new engine::RecordsetModel(
        data2_, {{QStringLiteral("Unvan"), QString(30, u' ') + QStringLiteral("ünvan")}}, this);
    CariList->setModel(cariModel_);
    CariList->horizontalHeader()->setStretchLastSection(true);
    CariList->verticalHeader()->setDefaultSectionSize(CariList->fontMetrics().height() + 4);
    CariList->setSelectionBehavior(QAbstractItemView::SelectRows);
    CariList->setSelectionMode(QAbstractItemView::SingleSelection);
    CariList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    cariModel_->bindCurrentRow(CariList);
    CariList->installEventFilter(this);
    connect(CariList, &QTableView::doubleClicked, this, ui::handler(this, &frmServis::CariList_Pick));
    Label1[1]->installEventFilter(this);
    connect(static_cast<QLineEdit*>(Text1[0]), &QLineEdit::textEdited, this,
            ui::handler(this, &frmServis::Text1_0_Change));
}

void frmServis::copyCustomer(const engine::Recordset& cari, int fromBox) {
    for (int box = fromBox; box < static_cast<int>(kCustomerFields.size()); ++box)
        setText1(box, cari.value(QString::fromLatin1(kCustomerFields[box])).toString());
}

void frmServis::CariList_Pick() {
    try {
        copyCustomer(data2_->rs(), 0);
    } catch (const engine::DbError&) {
        return; // no customer under the cursor
    }
    CariList->hide();
    KayitTarih->setFocus();
}

// Completes the title from the first customer whose title begins with what was typed. Only the
// user's typing gets here: showing a record or a pick from the list starts no search.
void frmServis::Text1_0_Change() {
    if (SonTus == kKeyBackspace || SonTus == kKeyDelete || SonTus == kKeyEnter)
        return;
    auto* title = static_cast<QLineEdit*>(Text1[0]);
    const QString typed = title->text();
    if (typed.trimmed().isEmpty())
        return;
    // A blank the user typed at the end stays part of the prefix: searching without it would
    // complete "Ak " to "Akdeniz" and swallow the blank.
    qsizetype lead = 0;
    while (lead < typed.size() && typed[lead].isSpace())
        ++lead;
    engine::Recordset& cari = data2_->rs();
    cari.findFirst(QStringLiteral("Unvan Like ") +
                   engine::sqlQuote(engine::likeLiteral(typed.mid(lead)) + u'*'));
    if (cari.noMatch()) {
        for (int box = 1; box <= 6; ++box)
            setText1(box, QString());
        return;
    }
    const QString full = cari.value(QStringLiteral("Unvan")).toString();
    title->setText(full);
    title->setSelection(static_cast<int>(typed.size()), static_cast<int>(full.size() - typed.size()));
    copyCustomer(cari, 1);
}

bool frmServis::customerFilter(QObject* watched, QEvent* e) {
    if (watched == Label1[1] && e->type() == QEvent::MouseButtonPress) {
        // Customers are taken only into a new record: a record being changed keeps its own.
        if (KayitModu == kAdding) {
            CariList->show();
            CariList->raise();
            CariList->setFocus();
        }
        return false;
    }
    if (watched != CariList)
        return false;
    if (e->type() == QEvent::FocusOut)
        CariList->hide();
    else if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            CariList_Pick();
            return true;
        }
        if (key == Qt::Key_Escape) {
            CariList->hide();
            Text1[0]->setFocus();
            return true;
        }
    }
    return false;
}
