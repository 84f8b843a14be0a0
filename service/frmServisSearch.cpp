// The list panel: choose a field, jump to a record by a value, search again, filter.
#include "frmServis.h"

#include "engine/DbError.h"
#include "engine/Text.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QShortcut>

void frmServis::Combo1_Click() {
    // Unticking runs the switched-off reaction when the filter was on.
    Check1->setChecked(false);
    // At start-up the choice is made before the databases are open; their first refresh follows.
    if (data1_->database())
        data1_->refresh();
    valueText_.clear();
    DBCombo1->setEditText(valueText_);
    const int position = std::max(0, Combo1->currentIndex());
    valueModel_->setColumns({{AlanAdlari[position], QString()}});
    Label2->setText(Combo1->currentText() + QStringLiteral(" Listesi"));
}

void frmServis::DBCombo1_Click() {
    engine::Recordset* rs = data1_->recordset();
    AramaKriteri =
        valueModel_->columns().front().field + u'=' + engine::sqlQuote(DBCombo1->currentText().trimmed());
    if (rs)
        rs->findFirst(AramaKriteri);
}

void frmServis::DBList1_Click(const QModelIndex& index) {
    engine::Recordset* rs = data1_->recordset();
    const QString text = valueModel_->data(index, Qt::DisplayRole).toString();
    AramaKriteri = AlanAdlari[std::max(0, Combo1->currentIndex())] + u'=' + engine::sqlQuote(text.trimmed());
    if (rs)
        rs->findFirst(AramaKriteri);
}

void frmServis::CmdSonraki_Click() {
    engine::Recordset* rs = data1_->recordset();
    if (AramaKriteri.trimmed().isEmpty() || !rs)
        return;
    rs->findNext(AramaKriteri);
    if (rs->noMatch())
        ui::MsgBox(this, QStringLiteral("Başka kayıt yok."), ui::Icon::Exclamation);
}

void frmServis::Check1_Click() {
    if (Check1->isChecked()) {
        const QString text = DBCombo1->currentText();
        if (text.trimmed().isEmpty()) {
            ui::MsgBox(this, QStringLiteral("Veri Seçimi Yok."), ui::Icon::Question);
            DBCombo1->setFocus();
            Check1->setChecked(false);
            return;
        }
        const QString field = valueModel_->columns().front().field;
        if (text.contains(u'*') || text.contains(u'?'))
            data1_->setRecordSource(QStringLiteral("SELECT * FROM Servis WHERE ") + field +
                                    QStringLiteral(" Like ") + engine::sqlQuote(text));
        else
            data1_->setRecordSource(QStringLiteral("SELECT * FROM Servis WHERE ") + field +
                                    QStringLiteral("= ") + engine::sqlQuote(text));
        Check1->setText(QStringLiteral("Filitre Var"));
    } else {
        data1_->setRecordSource(QStringLiteral("Servis"));
        Check1->setText(QStringLiteral("Filitre Yok"));
    }
    if (data1_->database())
        data1_->refresh();
}

// The value combo's list follows Data1 (new sets, deleted and added rows), and the combo would
// put the value of whichever row became current into its box. The box holds only what the user
// typed or chose.
void frmServis::keepValueText() {
    connect(DBCombo1->lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString& text) { valueText_ = text; });
    connect(DBCombo1, &QComboBox::activated, this, [this] { valueText_ = DBCombo1->currentText(); });
    const auto restore = [this] {
        if (DBCombo1->currentText() != valueText_)
            DBCombo1->setEditText(valueText_);
    };
    connect(valueModel_, &QAbstractItemModel::modelReset, this, restore);
    connect(valueModel_, &QAbstractItemModel::rowsRemoved, this, restore);
    connect(valueModel_, &QAbstractItemModel::rowsInserted, this, restore);
    connect(valueModel_, &QAbstractItemModel::dataChanged, this, restore);
    connect(valueModel_, &QAbstractItemModel::layoutChanged, this, restore);
}

void frmServis::connectListPanel() {
    connect(Combo1, &QComboBox::activated, this, ui::handler(this, &frmServis::Combo1_Click));
    keepValueText();
    connect(DBCombo1, &QComboBox::activated, this, ui::handler(this, &frmServis::DBCombo1_Click));
    DBCombo1->installEventFilter(this);
    DBCombo1->lineEdit()->installEventFilter(this);
    connect(DBList1, &QListView::clicked, this, ui::handler(this, &frmServis::DBList1_Click));
    connect(CmdSonraki, &QPushButton::clicked, this, ui::handler(this, &frmServis::CmdSonraki_Click));
    connect(Check1, &QCheckBox::toggled, this, ui::handler(this, &frmServis::Check1_Click));
    // The button's tooltip promises F3.
    auto* f3 = new QShortcut(QKeySequence(Qt::Key_F3), this);
    f3->setContext(Qt::WindowShortcut);
    connect(f3, &QShortcut::activated, this, [this] {
        if (CmdSonraki->isEnabled())
            CmdSonraki_Click();
    });
}

// A click on the value combo's button or into its text is a click in the combo, too.
bool frmServis::listPanelFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress && (watched == DBCombo1 || watched == DBCombo1->lineEdit()))
        DBCombo1_Click();
    return false;
}
