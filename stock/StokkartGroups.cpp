// The stock card's group and subgroup boxes: reloading, choosing, and keeping them with Enter.
#include "Stokkart.h"

#include "StockFilter.h"
#include "engine/DbError.h"
#include "engine/Text.h"
#include "ui/Dialogs.h"

#include <QComboBox>

using engine::DbError;
using stockfilter::kNoGroup;

void Stokkart::DataGurup_Reposition() {
    try {
        fillSubgroups();
    } catch (const DbError&) {
        // A subgroup list that cannot be read stays empty; the card itself goes on.
    }
}

void Stokkart::fillSubgroups() {
    StokGrp[1]->clear();
    try {
        dataAltGrp_->setRecordSource(stockfilter::subgroupSource(keptText(0)));
        engine::RefreshData(*dataAltGrp_);
        StokGrp[1]->addItems(stockfilter::fieldValues(*dataAltGrp_, QStringLiteral("AltGurup")));
    } catch (const DbError&) {
    }
    StokGrp[1]->setEditText(StokGrp[1]->count() > 0 ? StokGrp[1]->itemText(0) : kNoGroup);
}

QString Stokkart::keptText(int box) const {
    const QString text = StokGrp[box]->currentText();
    return text == kNoGroup ? QString() : text;
}

void Stokkart::StokGrp_Click(int box, int index) {
    if (leavingBox_)
        return;
    chosenIndex_ = index;
    if (box == 0)
        fillSubgroups();
}

void Stokkart::StokGrp_KeyDown(int box) {
    const QString text = StokGrp[box]->currentText();
    // "Gurup Yok" only says that none is set; it is never kept as a name.
    if (text.isEmpty())
        deleteEntry(box);
    else if (text != kNoGroup && StokGrp[box]->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        addEntry(box, text);
    focusNextChild();
}

// An emptied box removes the entry chosen last: a group with all its subgroups, or one
// subgroup of the current group, never a group.
void Stokkart::deleteEntry(int box) {
    QComboBox* combo = StokGrp[box];
    if (chosenIndex_ < 0 || chosenIndex_ >= combo->count())
        return;
    const QString entry = combo->itemText(chosenIndex_);
    engine::DataSource* source = box == 0 ? dataGurup_ : dataAltGrp_;
    try {
        source->openDatabase();
        engine::Database& db = *source->database();
        engine::Database::Transaction together(db);
        if (box == 0) {
            engine::Recordset& groups = dataGurup_->rs();
            groups.findFirst(stockfilter::equals(QStringLiteral("Gurup"), entry));
            if (!groups.noMatch()) {
                groups.deleteRecord();
                db.execute(QStringLiteral("DELETE FROM AltGurup Where Gurup=") + engine::sqlQuote(entry));
            }
        } else {
            db.execute(QStringLiteral("DELETE FROM AltGurup Where Gurup=") + engine::sqlQuote(keptText(0)) +
                       QStringLiteral(" And AltGurup=") + engine::sqlQuote(entry));
        }
        together.commit();
    } catch (const DbError& e) {
        try {
            source->database()->changed();
            engine::RefreshData(*dataGurup_);
        } catch (const DbError&) {
        }
        reportFailure(QStringLiteral("Gurup silinemedi; hiçbir şey değişmedi."), e.description());
        return;
    }
    combo->removeItem(chosenIndex_);
    if (combo->count() > 0) {
        combo->setCurrentIndex(0);
        StokGrp_Click(box, 0);
    } else {
        combo->setEditText(box == 0 ? kNoGroup : QString());
    }
}

void Stokkart::addEntry(int box, const QString& text) {
    try {
        if (box == 1) {
            // Without a group the subgroup is kept with an empty one, as a save keeps it.
            const QString group = keptText(0);
            engine::Recordset& subgroups = dataAltGrp_->rs();
            subgroups.addNew();
            subgroups.setValue(QStringLiteral("Gurup"), group);
            subgroups.setValue(QStringLiteral("AltGurup"), text);
            subgroups.update();
            StokGrp[1]->addItem(text);
            return;
        }
        engine::Recordset& groups = dataGurup_->rs();
        groups.addNew();
        groups.setValue(QStringLiteral("Gurup"), text);
        groups.update();
        StokGrp[0]->addItem(text);
        groups.findFirst(stockfilter::equals(QStringLiteral("Gurup"), text));
    } catch (const DbError& e) {
        engine::DataSource* source = box == 0 ? dataGurup_ : dataAltGrp_;
        if (engine::Recordset* rs = source->recordset(); rs && rs->editMode() != engine::Recordset::EditNone)
            rs->cancelUpdate();
        reportFailure(QStringLiteral("Gurup kaydedilemedi."), e.description());
    }
}
