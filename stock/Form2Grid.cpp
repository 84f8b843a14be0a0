// The stock list's grid: sorting, the kept column layout, the wheel, deleting a card, the stock
// card window and handing a card to the host's record.
#include "Form2.h"

#include "GridLayoutFile.h"
#include "ProgramDirectory.h"
#include "Sounds.h"
#include "StockFilter.h"
#include "StockHost.h"
#include "Stokkart.h"
#include "Wheelmouse.h"
#include "engine/DbError.h"
#include "engine/Text.h"
#include "ui/Dialogs.h"
#include "ui/Twips.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDate>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>
#include <algorithm>
#include <utility>

using engine::DbError;

namespace {

QString layoutFile() {
    return programFile(QStringLiteral("StokList.Dat"));
}

} // namespace

void Form2::SortByColumn(int column) {
    const QString field = model_->columns().at(column).field;
    engine::Recordset* rs = data1_->recordset();
    if (!rs || rs->recordCount() == 0)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    sortAscending_ = !sortAscending_;
    try {
        data1_->setRecordset(
            rs->openSorted(field + (sortAscending_ ? QStringLiteral(" ASC") : QStringLiteral(" DESC"))));
    } catch (const DbError&) {
        // The previous record set was never replaced: the list stays as it was.
    }
    QApplication::restoreOverrideCursor();
}

// The model starts afresh with every new record set, and the header with it: the kept widths,
// visibility and captions go back on each time.
void Form2::applyColumns() {
    restoringLayout_ = true;
    for (int c = 0; c < kColumns; ++c) {
        StokList->setColumnHidden(c, hidden_[c]);
        if (!hidden_[c])
            StokList->setColumnWidth(c, ui::twipsToPixelsX(widthsTwips_[c]));
    }
    restoringLayout_ = false;
}

void Form2::recaption(int column) {
    const QFontMetrics metrics(StokList->horizontalHeader()->font());
    QVector<engine::RecordsetModel::Column> columns = model_->columns();
    columns[column].caption = gridlayout::centredCaption(
        designedCaptions_[column], ui::twipsToPixelsX(widthsTwips_[column]), metrics, false);
    model_->setColumns(columns);
    applyColumns();
}

void Form2::LoadGridLayout() {
    const QVector<std::optional<gridlayout::Column>> lines = gridlayout::read(layoutFile());
    if (lines.isEmpty())
        return;
    // A column wider than the whole grid is no use to anyone; the kept width never exceeds it.
    const int widest = ui::pixelsToTwipsX(StokList->width());
    hidden_.fill(false);
    for (int c = 0; c < kColumns && c < lines.size(); ++c) {
        if (!lines[c])
            continue;
        hidden_[c] = !lines[c]->visible;
        if (hidden_[c])
            continue;
        widthsTwips_[c] = static_cast<int>(std::min(lines[c]->widthTwips, static_cast<double>(widest)));
        recaption(c);
    }
    applyColumns();
}

// Every step of a drag resizes the column; the layout is kept when the drag ends.
void Form2::columnResized(int column) {
    if (restoringLayout_ || hidden_[column])
        return;
    widthsTwips_[column] = ui::pixelsToTwipsX(StokList->columnWidth(column));
    resized_[column] = true;
}

void Form2::SaveGridLayout() {
    if (std::none_of(resized_.begin(), resized_.end(), [](bool r) { return r; }))
        return;
    for (int c = 0; c < kColumns; ++c) {
        if (std::exchange(resized_[c], false))
            recaption(c);
    }
    QVector<gridlayout::Column> columns;
    for (int c = 0; c < kColumns; ++c)
        columns.push_back({static_cast<double>(widthsTwips_[c]), !hidden_[c]});
    // A layout that cannot be kept is not worth interrupting the user for.
    gridlayout::write(layoutFile(), columns);
}

bool Form2::MouseWheel(int, int rotation, int xpos, int ypos) {
    const QPoint at(xpos, ypos);
    for (QObject* child : children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (!control || !control->isVisible() || !wheel::IsOverWindow(control, at))
            continue;
        if (!qobject_cast<QAbstractItemView*>(control))
            continue;
        if (rotation != 0) {
            QKeyEvent key(QEvent::KeyPress, rotation > 0 ? Qt::Key_Up : Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(control, &key);
        }
        return true;
    }
    return false;
}

void Form2::StokSil_Click() {
    engine::Recordset* rs = data1_->recordset();
    if (!rs || rs->bof() || rs->eof())
        return;
    if (ui::dialogs().message(this, QStringLiteral("Dikkat"),
                              QStringLiteral("Bu Stok Silinecek Eminmisiniz..!"), ui::Icon::Critical,
                              ui::Buttons::YesNo, ui::Answer::No) != ui::Answer::Yes)
        return;
    try {
        // The card and its uses go together or not at all.
        engine::Database::Transaction together(rs->database());
        rs->deleteRecord();
        together.commit();
        engine::RefreshData(*data1_);
    } catch (const DbError& e) {
        rs->database().changed();
        engine::RefreshData(*data1_);
        reportFailure(QStringLiteral("Stok kartı silinemedi; hiçbir şey değişmedi."), e.description());
    }
}

// Every use of a card on service records goes with the card.
void Form2::Data1_Validate(engine::DataSource::Action action) {
    if (action != engine::DataSource::Action::Delete)
        return;
    const QString code = data1_->rs().value(QStringLiteral("StokKod")).toString();
    data1_->database()->execute(QStringLiteral("DELETE FROM StokHareket Where StokHarKod=") +
                                engine::sqlQuote(code));
    playSound(QStringLiteral("Recycle.wav"));
}

void Form2::StokKayit_Click() {
    card_ = new Stokkart(this);
    card_->Form_Load();
    card_->show();
}

void Form2::handBack() {
    if (!host_ || host_->stockRecordMode() == 0)
        return;
    const engine::Recordset* card = data1_->recordset();
    if (!card || card->bof() || card->eof())
        return;
    engine::DataSource* items = host_->stockUsedItems();
    try {
        engine::Recordset& used = items->rs();
        used.addNew();
        try {
            used.setValue(QStringLiteral("StokHarKod"), card->value(QStringLiteral("StokKod")).toString());
            used.setValue(QStringLiteral("Tarih"), QDate::currentDate().toString(Qt::ISODate));
            used.setValue(QStringLiteral("SeriNo"), card->value(QStringLiteral("SeriNo")).toString());
            used.setValue(QStringLiteral("StokAd"), card->value(QStringLiteral("StokAd")).toString());
            used.setValue(QStringLiteral("Unvan"), host_->recordTitleText());
            used.setValue(QStringLiteral("Barkod"), card->value(QStringLiteral("Barkod")).toString());
            used.setValue(QStringLiteral("KayitNo"), host_->recordCodeText());
            used.update();
            host_->stockItemAdded(
                used.valueAt(used.recordCount() - 1, used.fieldIndex(QStringLiteral("ID"))).toLongLong());
        } catch (const DbError&) {
            used.cancelUpdate();
            throw;
        }
    } catch (const DbError& e) {
        reportFailure(QStringLiteral("Malzeme kayda eklenemedi."), e.description());
        return;
    }
    close();
}
