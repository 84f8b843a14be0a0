// The materials used on a service record: the link to the stock list, the grid's "Satır Sil",
// and what the stock list reads from this window to hand a card over.
#include "frmServis.h"

#include "Form2.h"
#include "WindowMotion.h"
#include "engine/DbError.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTableView>

namespace {

constexpr int kLink = 22;
const QColor kLinkColour(255, 255, 0);

} // namespace

void frmServis::connectMaterials() {
    for (QLabel* label : Label1) {
        if (!label)
            continue; // numbers the window does not use
        label->setMouseTracking(true);
        label->installEventFilter(this);
    }
    Label1[kLink]->setAutoFillBackground(true);
    Label1[kLink]->setCursor(Qt::PointingHandCursor);
    connect(StokKayit, &QAction::triggered, this, [this] { openStockList(true); });
    DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGrid1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PoPMenu->popup(DBGrid1->viewport()->mapToGlobal(at)); });
    connect(PoPMenu->findChild<QAction*>(QStringLiteral("PopMnu")), &QAction::triggered, this,
            &frmServis::PopMnu_Click);
}

bool frmServis::materialsFilter(QObject* watched, QEvent* e) {
    QLabel* link = Label1[kLink];
    const bool lit = link->palette().color(QPalette::Window) == kLinkColour;
    if (e->type() == QEvent::MouseMove) {
        if (watched == link && !lit) {
            QPalette p = link->palette();
            p.setColor(QPalette::Window, kLinkColour);
            link->setPalette(p);
            link->setText(QStringLiteral("Stok Listesi"));
        } else if (watched != link && lit &&
                   std::find(Label1.begin(), Label1.end(), watched) != Label1.end()) {
            link->setPalette(QPalette());
            link->setText(QStringLiteral("Kullanılan Malzeme"));
        }
        return false;
    }
    // The label lies on the record panel, which takes input only while a record is open.
    if (watched == link && e->type() == QEvent::MouseButtonRelease && KayitModu != 0 &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        openStockList(false);
        return true;
    }
    return false;
}

void frmServis::openStockList(bool blocking) {
    if (stockList_) {
        stockList_->raise();
        stockList_->activateWindow();
        return;
    }
    auto* list = new Form2(this, this);
    if (blocking)
        list->setWindowModality(Qt::ApplicationModal);
    if (!list->Form_Load()) {
        delete list;
        return;
    }
    stockList_ = list;
    motion::centreOver(list, this);
    list->show();
    list->activateWindow();
}

void frmServis::stockItemAdded(qint64 key) {
    if (KayitModu != kBrowsing)
        entryItems_ << key;
}

void frmServis::PopMnu_Click() {
    engine::Recordset* rs = dataStkHar_->recordset();
    if (!rs || rs->recordCount() == 0 || rs->bof() || rs->eof())
        return;
    try {
        rs->deleteRecord();
        engine::RefreshData(*dataStkHar_);
    } catch (const engine::DbError&) {
        // The row had gone already: the grid shows what is left.
        engine::RefreshData(*dataStkHar_);
    }
}
