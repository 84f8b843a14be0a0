#include "frmYedekler.h"

#include "AutoBackup.h"
#include "ProgramDirectory.h"
#include "Settings.h"
#include "ui/Dialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QPushButton* button(QWidget* parent, const QString& caption, const QString& name) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

frmYedekler::frmYedekler(QWidget* owner, Commands commands)
    : QDialog(owner)
    , commands_(std::move(commands)) {
    setObjectName(QStringLiteral("frmYedekler"));
    setWindowTitle(QStringLiteral("Otomatik Yedekler"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);

    list_ = new QTableWidget(0, 6, this);
    list_->setObjectName(QStringLiteral("Liste"));
    list_->setHorizontalHeaderLabels({QStringLiteral("Tarih"), QStringLiteral("Servis Kaydı"),
                                      QStringLiteral("Stok Kartı"), QStringLiteral("Boyut"),
                                      QStringLiteral("Doğrulandı"), QStringLiteral("Yer")});
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(list_);
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("Not"));
    note_->setWordWrap(true);
    layout->addWidget(note_);

    auto* place = new QHBoxLayout;
    place->addWidget(new QLabel(QStringLiteral("İkinci yer:"), this));
    secondPlace_ = new QLineEdit(settings::yedekYeri2(), this);
    secondPlace_->setObjectName(QStringLiteral("IkinciYer"));
    place->addWidget(secondPlace_, 1);
    QPushButton* choose = button(this, QStringLiteral("Seç..."), QStringLiteral("IkinciYerSec"));
    place->addWidget(choose);
    place->addWidget(new QLabel(QStringLiteral("Aralık:"), this));
    interval_ = new QSpinBox(this);
    interval_->setObjectName(QStringLiteral("Aralik"));
    interval_->setRange(1, 24);
    interval_->setSuffix(QStringLiteral(" saat"));
    interval_->setValue(settings::yedekAraligi());
    place->addWidget(interval_);
    layout->addLayout(place);

    auto* commandsRow = new QHBoxLayout;
    QPushButton* restore = button(this, QStringLiteral("Geri Al"), QStringLiteral("GeriAl"));
    QPushButton* now = button(this, QStringLiteral("Şimdi Yedekle"), QStringLiteral("SimdiYedekle"));
    QPushButton* open = button(this, QStringLiteral("Klasörü Aç"), QStringLiteral("KlasoruAc"));
    QPushButton* close = button(this, QStringLiteral("Kapat"), QStringLiteral("Kapat"));
    for (QPushButton* b : {restore, now, open})
        commandsRow->addWidget(b);
    commandsRow->addStretch();
    commandsRow->addWidget(close);
    layout->addLayout(commandsRow);

    connect(restore, &QPushButton::clicked, this, &frmYedekler::GeriAl_Click);
    connect(now, &QPushButton::clicked, this, [this] { commands_.backupNow(); });
    connect(open, &QPushButton::clicked, this, &frmYedekler::KlasoruAc_Click);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(choose, &QPushButton::clicked, this, &frmYedekler::IkinciYerSec_Click);
    connect(secondPlace_, &QLineEdit::editingFinished, this, [this] {
        if (secondPlace_->text().trimmed() != settings::yedekYeri2()) {
            settings::setYedekYeri2(secondPlace_->text().trimmed());
            refresh({});
        }
    });
    connect(interval_, &QSpinBox::valueChanged, this, [](int hours) { settings::setYedekAraligi(hours); });
    resize(720, 420);
    refresh({});
}

void frmYedekler::refresh(const QString& note) {
    const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
    QList<std::pair<autobackup::Backup, QString>> rows;
    for (const autobackup::Backup& b : autobackup::list(programFile(autobackup::kFolder)))
        rows.append({b, QStringLiteral("Program klasörü")});
    if (const QString second = settings::yedekYeri2(); !second.isEmpty())
        for (const autobackup::Backup& b : autobackup::list(second))
            rows.append({b, QStringLiteral("İkinci yer")});
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& a, const auto& b) { return a.first.moment > b.first.moment; });
    list_->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const autobackup::Backup& b = rows[r].first;
        const auto count = [](qint64 n) { return n < 0 ? QStringLiteral("?") : QString::number(n); };
        const QStringList cells{
            b.moment.toString(QStringLiteral("dd.MM.yyyy HH:mm")),
            count(b.servisRecords),
            count(b.stockCards),
            turkish.formattedDataSize(b.bytesOnDisk, 1, QLocale::DataSizeTraditionalFormat),
            b.verified ? QStringLiteral("Evet") : QStringLiteral("Hayır"),
            rows[r].second};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setData(Qt::UserRole, b.path);
            list_->setItem(r, c, item);
        }
    }
    list_->resizeColumnsToContents();
    if (!rows.isEmpty())
        list_->selectRow(0);
    note_->setText(note);
    note_->setVisible(!note.isEmpty());
}

void frmYedekler::GeriAl_Click() {
    const QList<QTableWidgetItem*> chosen = list_->selectedItems();
    if (chosen.isEmpty()) {
        ui::MsgBox(this, QStringLiteral("Önce listeden bir yedek seçin."), ui::Icon::Exclamation);
        return;
    }
    commands_.restore(chosen.first()->data(Qt::UserRole).toString());
}

void frmYedekler::KlasoruAc_Click() {
    const QString folder = programFile(autobackup::kFolder);
    QDir().mkpath(folder);
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void frmYedekler::IkinciYerSec_Click() {
    const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Yedeklerin ikinci yeri"),
                                                             secondPlace_->text());
    if (folder.isEmpty())
        return;
    secondPlace_->setText(QDir::toNativeSeparators(folder));
    settings::setYedekYeri2(secondPlace_->text());
    refresh({});
}
