#include "frmGecmis.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QStringList kHistoryColumns{
    QStringLiteral("Kayıt Kodu"),        QStringLiteral("Kayıt Tarihi"), QStringLiteral("Cihaz"),
    QStringLiteral("Başvuru Sebebi"),    QStringLiteral("Sonuç"),        QStringLiteral("Son Durum"),
    QStringLiteral("Kullanılan Malzeme")};

bool confirmsRow(const QKeyEvent* e) {
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

} // namespace

frmGecmis::frmGecmis(QWidget* owner, history::Kind kind, const QString& text,
                     const QVector<history::Entry>& entries, Jump jump)
    : QWidget(owner, Qt::Window)
    , list_(
          new QTableWidget(static_cast<int>(entries.size()), static_cast<int>(kHistoryColumns.size()), this))
    , note_(new QLabel(this))
    , jump_(std::move(jump)) {
    const bool device = kind == history::Kind::Device;
    setObjectName(QStringLiteral("frmGecmis"));
    setWindowTitle(device ? QStringLiteral("Cihaz Geçmişi") : QStringLiteral("Müşteri Geçmişi"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);

    auto* heading =
        new QLabel(QStringLiteral("%1: %2 (%3 kayıt)")
                       .arg(device ? QStringLiteral("Seri No") : QStringLiteral("Ünvan"), text.trimmed())
                       .arg(entries.size()),
                   this);
    heading->setObjectName(QStringLiteral("GecmisBaslik"));
    heading->setTextFormat(Qt::PlainText);

    list_->setObjectName(QStringLiteral("GecmisListe"));
    list_->setHorizontalHeaderLabels(kHistoryColumns);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setWordWrap(false);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < entries.size(); ++row) {
        const history::Entry& e = entries[row];
        const QString cells[] = {e.code,
                                 e.date.toString(QStringLiteral("dd/MM/yyyy")),
                                 e.device,
                                 e.complaint,
                                 e.outcome,
                                 e.status,
                                 e.items.join(QStringLiteral(", "))};
        for (int column = 0; column < int(std::size(cells)); ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            item->setToolTip(cells[column]);
            list_->setItem(row, column, item);
        }
        list_->item(row, 0)->setData(Qt::UserRole, e.id);
    }
    list_->resizeColumnsToContents();
    for (int column = 0; column < list_->columnCount(); ++column)
        list_->setColumnWidth(column, std::min(list_->columnWidth(column), 260));
    if (!entries.isEmpty())
        list_->setCurrentCell(0, 0);
    list_->installEventFilter(this);
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { showRow(row); });

    note_->setObjectName(QStringLiteral("GecmisNot"));
    note_->setWordWrap(true);
    note_->setVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(list_);
    layout->addWidget(note_);
    resize(900, 360);
}

void frmGecmis::setNote(const QString& note) {
    note_->setText(note);
    note_->setVisible(!note.isEmpty());
}

void frmGecmis::showRow(int row) {
    const QTableWidgetItem* item = list_->item(row, 0);
    if (!item)
        return;
    const QString refusal = jump_(item->data(Qt::UserRole).toLongLong());
    if (refusal.isEmpty())
        close();
    else
        setNote(refusal);
}

bool frmGecmis::eventFilter(QObject* watched, QEvent* e) {
    if (watched == list_ && e->type() == QEvent::KeyPress && confirmsRow(static_cast<QKeyEvent*>(e))) {
        showRow(list_->currentRow());
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

void frmGecmis::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(e);
}
