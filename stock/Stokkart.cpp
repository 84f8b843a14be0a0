// The stock card: construction, loading, the new-or-edit switch, the text boxes and the save.
#include "Stokkart.h"

#include "AutoCapitalizeFilter.h"
#include "Form2.h"
#include "HoverBold.h"
#include "StockControls.h"
#include "StockFilter.h"
#include "WindowMotion.h"
#include "WriteConflict.h"
#include "engine/DbError.h"
#include "ui/Dialogs.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QComboBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTimer>

using engine::DbError;
using stockfilter::kNoGroup;
using stockui::place;
using stockui::setGrey;

namespace {

const QString kBarcodePlaceholder = QStringLiteral("Barkod");

bool isEnter(const QKeyEvent* e) {
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

} // namespace

namespace {

QString fieldLabel(const QString& field) {
    static const QHash<QString, QString> labels{
        {QStringLiteral("stokkod"), QStringLiteral("Stok Kodu")},
        {QStringLiteral("stokad"), QStringLiteral("Stok Adı")},
        {QStringLiteral("barkod"), QStringLiteral("Barkod")},
        {QStringLiteral("serino"), QStringLiteral("Seri No")},
        {QStringLiteral("gurup"), QStringLiteral("Gurup")},
        {QStringLiteral("altgurup"), QStringLiteral("Alt Gurup")},
    };
    return labels.value(field.toLower(), field);
}

} // namespace

Stokkart::Stokkart(Form2* list)
    : QWidget(list, Qt::Dialog)
    , list_(list)
    , dataGurup_(new engine::DataSource(this))
    , dataAltGrp_(new engine::DataSource(this)) {
    setObjectName(QStringLiteral("Stokkart"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral(" Stok Kayıt"));
    QFont compact = font();
    compact.setPointSize(8);
    setFont(compact);
    dataGurup_->setObjectName(QStringLiteral("DataGurup"));
    dataAltGrp_->setObjectName(QStringLiteral("DataAltGrp"));
    buildControls();
    setFixedSize(ui::twipsToPixelsX(5235), ui::twipsToPixelsY(2595));

    connect(dataGurup_, &engine::DataSource::reposition, this, &Stokkart::DataGurup_Reposition);
    connect(YeniRec, &QPushButton::clicked, this, &Stokkart::YeniRec_Click);
    for (int i = 0; i < 2; ++i) {
        connect(StokNewCmd[i], &QPushButton::clicked, this, [this, i] { StokNewCmd_Click(i); });
        connect(StokGrp[i], &QComboBox::activated, this, [this, i](int index) { StokGrp_Click(i, index); });
    }
    new HoverBold({StokNewCmd[0], StokNewCmd[1]}, this, HoverBold::Mode::Clicking);
    motion::dragByBackground(this);
    motion::fadeOutOnClose(this, 500, [this] { Form_QueryUnload(); });
}

Stokkart::~Stokkart() {
    // Closing hides the window after this part of it is gone; the focus leaving an editable box
    // then still reports a choice, which must not reach a card being destroyed.
    for (QComboBox* box : StokGrp)
        QObject::disconnect(box, nullptr, this, nullptr);
}

void Stokkart::buildControls() {
    const char* captions[] = {" Stok Kodu", " Stok Adı", " Seri No", " Gurup", " Alt Gurup"};
    for (int i = 0; i < 5; ++i) {
        Label10[i] = place(new QLabel(QString::fromUtf8(captions[i]), this), 210, 150 + 360 * i, 1215, 315,
                           QStringLiteral("Label10_%1").arg(i));
        Label10[i]->setFrameShape(QFrame::Panel);
        Label10[i]->setFrameShadow(QFrame::Sunken);
    }
    const struct {
        int left, top, width, limit;
    } boxes[] = {{1440, 150, 1695, 20}, {1440, 510, 3585, 50}, {3150, 150, 1875, 50}, {1440, 870, 3585, 50}};
    for (int i = 0; i < 4; ++i) {
        StokNew[i] = place(new QLineEdit(this), boxes[i].left, boxes[i].top, boxes[i].width, 315,
                           QStringLiteral("StokNew_%1").arg(i));
        StokNew[i]->setMaxLength(boxes[i].limit);
        AutoCapitalizeFilter::install(StokNew[i]);
        // Installed after the key filter, so the card sees every key first.
        StokNew[i]->installEventFilter(this);
    }
    showBarcodePlaceholder();
    for (int i = 0; i < 2; ++i) {
        StokGrp[i] =
            place(new QComboBox(this), 1440, 1230 + 360 * i, 3585, 315, QStringLiteral("StokGrp_%1").arg(i));
        StokGrp[i]->setEditable(true);
        StokGrp[i]->setInsertPolicy(QComboBox::NoInsert);
        StokGrp[i]->setCompleter(nullptr);
        StokGrp[i]->setToolTip(QStringLiteral(" Stok Gurubu "));
        StokGrp[i]->installEventFilter(this);
    }
    StokNewCmd[1] = place(new QPushButton(QStringLiteral("&Tamam"), this), 3900, 2040, 1125, 345,
                          QStringLiteral("StokNewCmd_1"));
    StokNewCmd[0] = place(new QPushButton(QStringLiteral("&Vazgeç"), this), 2670, 2040, 1125, 345,
                          QStringLiteral("StokNewCmd_0"));
    YeniRec = place(new QPushButton(QStringLiteral("&Yeni Kayıt"), this), 210, 2040, 1125, 345,
                    QStringLiteral("YeniRec"));
    YeniRec->setCheckable(true);
    for (QPushButton* b : {StokNewCmd[0], StokNewCmd[1], YeniRec})
        b->installEventFilter(this);

    QWidget* order[] = {StokNew[0], StokNew[1],    StokNew[2],    StokNew[3], StokGrp[0],
                        StokGrp[1], StokNewCmd[1], StokNewCmd[0], YeniRec};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void Stokkart::Form_Load() {
    dataGurup_->setDatabaseName(list_->Data1()->databaseName());
    dataAltGrp_->setDatabaseName(list_->Data1()->databaseName());
    dataGurup_->setRecordSource(QStringLiteral("Select * From Gurup Order By Gurup ASC"));
    try {
        engine::RefreshData(*dataGurup_);
        StokGrp[0]->clear();
        StokGrp[0]->addItems(stockfilter::fieldValues(*dataGurup_, QStringLiteral("Gurup")));
    } catch (const DbError& e) {
        reportFailure(QStringLiteral("Stok gurupları okunamadı."), e.description());
    }
    StokGrp[0]->setEditText(list_->groupFilterText());
    fillSubgroups();
    StokGrp[1]->setEditText(list_->subgroupFilterText());
    firstActivation_ = true;
}

bool Stokkart::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate && firstActivation_) {
        firstActivation_ = false;
        YeniRec_Click();
    }
    return QWidget::event(e);
}

void Stokkart::YeniRec_Click() {
    for (QLineEdit* box : StokNew)
        box->clear();
    shownKey_ = -1;
    shownValues_.clear();
    const engine::Recordset* rs = list_->Data1()->recordset();
    if (!YeniRec->isChecked() && rs && rs->recordCount() > 0 && !rs->bof() && !rs->eof()) {
        shownKey_ = rs->bookmark();
        shownValues_ = rs->currentValues();
        const auto field = [rs](const char* name) { return rs->value(QString::fromLatin1(name)).toString(); };
        StokNew[0]->setText(field("StokKod"));
        StokNew[1]->setText(field("StokAd"));
        StokNew[2]->setText(field("Barkod"));
        StokNew[3]->setText(field("Serino"));
        const QString group = field("Gurup");
        StokGrp[0]->setEditText(group);
        if (!group.isEmpty())
            DataGurup_Reposition();
        else
            StokGrp[0]->setEditText(kNoGroup);
        const QString subgroup = field("AltGurup");
        StokGrp[1]->setEditText(subgroup.isEmpty() ? kNoGroup : subgroup);
    }
    barcodePlaceholder_ = false;
    if (StokNew[2]->text().isEmpty())
        showBarcodePlaceholder();
    else
        setGrey(StokNew[2], false);
    StokNew[0]->setFocus();
}

void Stokkart::showBarcodePlaceholder() {
    barcodePlaceholder_ = true;
    StokNew[2]->setText(kBarcodePlaceholder);
    setGrey(StokNew[2], true);
}

// The placeholder is a hint on screen, never a barcode.
QString Stokkart::barcodeText() const {
    return barcodePlaceholder_ ? QString() : StokNew[2]->text();
}

void Stokkart::StokNew_GotFocus(int index) {
    if (index == 2 && barcodePlaceholder_) {
        barcodePlaceholder_ = false;
        StokNew[2]->clear();
        setGrey(StokNew[2], false);
    }
    QTimer::singleShot(0, StokNew[index], &QLineEdit::selectAll);
}

void Stokkart::StokNew_LostFocus(int) {
    if (StokNew[2]->text().isEmpty())
        showBarcodePlaceholder();
}

bool Stokkart::eventFilter(QObject* watched, QEvent* e) {
    const int box = static_cast<int>(std::find(StokNew.begin(), StokNew.end(), watched) - StokNew.begin());
    if (box < 4 && e->type() == QEvent::FocusIn)
        StokNew_GotFocus(box);
    else if (box < 4 && e->type() == QEvent::FocusOut)
        StokNew_LostFocus(box);
    if (e->type() == QEvent::FocusOut &&
        std::find(StokGrp.begin(), StokGrp.end(), watched) != StokGrp.end()) {
        const QScopedValueRollback leaving(leavingBox_, true);
        watched->event(e);
        return true;
    }
    if (e->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, e);
    auto* key = static_cast<QKeyEvent*>(e);
    // A quote would end a quoted value early in the old statements; it is never typed here.
    if (key->text() == u"'" || key->text() == u"\"") {
        QApplication::beep();
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    if (!isEnter(key))
        return QWidget::eventFilter(watched, e);
    if (box < 4) {
        if (key->modifiers() & Qt::ControlModifier)
            StokNewCmd[1]->click();
        else
            focusNextChild();
        return true;
    }
    const int group = static_cast<int>(std::find(StokGrp.begin(), StokGrp.end(), watched) - StokGrp.begin());
    if (group < 2) {
        StokGrp_KeyDown(group);
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

void Stokkart::StokNewCmd_Click(int index) {
    QStringList groups;
    for (int i = 0; i < StokGrp[0]->count(); ++i)
        groups << StokGrp[0]->itemText(i);
    list_->showAllGroups(groups);
    const QString group = keptText(0);
    const QString subgroup = keptText(1);
    StokGrp[0]->setEditText(group);
    StokGrp[1]->setEditText(subgroup);
    if (index == 1 && !StokNew[0]->text().isEmpty() && !saveCard(group, subgroup)) {
        // The card stays open with everything typed, so the user can try again.
        StokGrp[0]->setEditText(group.isEmpty() ? kNoGroup : group);
        StokGrp[1]->setEditText(subgroup.isEmpty() ? kNoGroup : subgroup);
        return;
    }
    close();
}

// Writes the card, and any new group and subgroup it names, all together or not at all.
bool Stokkart::saveCard(const QString& group, const QString& subgroup, engine::Recordset::OnConflict how) {
    engine::DataSource* cards = list_->Data1();
    const int groupsBefore = StokGrp[0]->count();
    const int subgroupsBefore = StokGrp[1]->count();
    try {
        engine::Recordset& rs = cards->rs();
        engine::Database::Transaction together(rs.database());
        rs.findFirst(stockfilter::equals(QStringLiteral("StokKod"), StokNew[0]->text()));
        if (rs.noMatch())
            rs.addNew();
        else if (rs.bookmark() == shownKey_)
            rs.edit(shownValues_);
        else
            rs.edit();
        rs.setValue(QStringLiteral("StokKod"), StokNew[0]->text());
        rs.setValue(QStringLiteral("StokAd"), StokNew[1]->text());
        rs.setValue(QStringLiteral("Barkod"), barcodeText());
        rs.setValue(QStringLiteral("Serino"), StokNew[3]->text());
        rs.setValue(QStringLiteral("Gurup"), group);
        rs.setValue(QStringLiteral("AltGurup"), subgroup);
        rs.update(how);
        if (!group.isEmpty()) {
            engine::Recordset& groups = dataGurup_->rs();
            const QString criterion = stockfilter::equals(QStringLiteral("Gurup"), group);
            groups.findFirst(criterion);
            if (groups.noMatch()) {
                StokGrp[0]->addItem(group);
                groups.addNew();
                groups.setValue(QStringLiteral("Gurup"), group);
                groups.update();
                groups.findFirst(criterion);
            }
        }
        if (!subgroup.isEmpty()) {
            engine::Recordset& subgroups = dataAltGrp_->rs();
            subgroups.findFirst(stockfilter::equals(QStringLiteral("AltGurup"), subgroup));
            if (subgroups.noMatch()) {
                StokGrp[1]->addItem(subgroup);
                subgroups.addNew();
                subgroups.setValue(QStringLiteral("Gurup"), StokGrp[0]->currentText());
                subgroups.setValue(QStringLiteral("AltGurup"), subgroup);
                subgroups.update();
            }
        }
        together.commit();
        return true;
    } catch (const DbError& e) {
        QVector<ConflictingField> conflicting;
        if (engine::Recordset* rs = cards->recordset(); rs && e.number() == engine::ErrWriteConflict) {
            for (const engine::Recordset::Conflict& c : rs->conflicts())
                if (c.theirs.toString() != c.mine.toString())
                    conflicting.push_back({fieldLabel(c.field), c.theirs.toString(), c.mine.toString()});
        }
        if (engine::Recordset* rs = cards->recordset(); rs && rs->editMode() != engine::Recordset::EditNone)
            rs->cancelUpdate();
        // What the record sets hold of the rolled-back writes goes with them.
        try {
            cards->database()->changed();
            engine::RefreshData(*cards);
            engine::RefreshData(*dataGurup_);
            engine::RefreshData(*dataAltGrp_);
        } catch (const DbError&) {
        }
        while (StokGrp[0]->count() > groupsBefore)
            StokGrp[0]->removeItem(StokGrp[0]->count() - 1);
        while (StokGrp[1]->count() > subgroupsBefore)
            StokGrp[1]->removeItem(StokGrp[1]->count() - 1);
        if (e.number() == engine::ErrWriteConflict) {
            // Saved at another desk while this card was open: the user's values go in only on
            // their word, over the card as it is now; otherwise the other desk's card stays.
            if (conflicting.isEmpty() || keepMine(this, QStringLiteral("Bu stok kartı"), conflicting))
                return saveCard(group, subgroup, engine::Recordset::OnConflict::KeepMine);
            return true;
        }
        reportFailure(QStringLiteral("Stok kartı kaydedilemedi; hiçbir şey yazılmadı."), e.description());
        return false;
    }
}

void Stokkart::Form_QueryUnload() {
    try {
        engine::RefreshData(*dataGurup_);
        list_->showAllGroups(stockfilter::fieldValues(*dataGurup_, QStringLiteral("Gurup")));
        engine::Recordset& rs = list_->Data1()->rs();
        rs.findFirst(stockfilter::equals(QStringLiteral("StokKod"), StokNew[0]->text()));
    } catch (const DbError&) {
        // The list shows what it can; the card closes either way.
    }
}

void Stokkart::reportFailure(const QString& what, const QString& detail) {
    ui::MsgBox(this, what + QStringLiteral("\n\n") + detail, ui::Icon::Critical);
}
