#include "Etiket.h"

#include "Settings.h"
#include "print/Printers.h"
#include "ui/Dialogs.h"

#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace printing {

namespace {

// The label drawn at its real size on the screen, on white, as it will come out.
class LabelPreview : public QWidget {
public:
    LabelPreview(const Etiket& owner, std::function<void(QPainter&)> paint)
        : owner_(owner)
        , paint_(std::move(paint)) {
        setObjectName(QStringLiteral("Onizleme"));
        setMinimumSize(millimetres(QSizeF(LabelPage::kMaxMm, 60)).toSize());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QSizeF label = millimetres(owner_.labelSize());
        const QRectF paper((width() - label.width()) / 2, (height() - label.height()) / 2, label.width(),
                           label.height());
        p.fillRect(paper, Qt::white);
        p.setPen(Qt::gray);
        p.drawRect(paper.adjusted(-1, -1, 0, 0));
        p.setClipRect(paper);
        p.translate(paper.topLeft());
        paint_(p);
    }

private:
    QSizeF millimetres(const QSizeF& mm) const {
        return QSizeF(mm.width() * logicalDpiX() / 25.4, mm.height() * logicalDpiY() / 25.4);
    }

    const Etiket& owner_;
    std::function<void(QPainter&)> paint_;
};

QString sizeText(const QSizeF& mm) {
    return QStringLiteral("%1 × %2 mm").arg(mm.width()).arg(mm.height());
}

QPushButton* button(const char* caption, const char* name, QWidget* parent) {
    auto* b = new QPushButton(QString::fromUtf8(caption), parent);
    b->setObjectName(QString::fromUtf8(name));
    return b;
}

} // namespace

Etiket::Etiket(const LabelFields& fields, QWidget* owner)
    : QDialog(owner)
    , fields_(fields) {
    setObjectName(QStringLiteral("Etiket"));
    setWindowTitle(QStringLiteral("Etiket Yazdır"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    preview_ = new LabelPreview(*this, [this](QPainter& p) { paintLabel(p); });
    printer_ = new QComboBox(this);
    printer_->setObjectName(QStringLiteral("EtiketYazici"));
    printer_->addItems(print::installedPrinters());
    const int remembered =
        printer_->findText(settings::etiketYazici(), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (remembered >= 0)
        printer_->setCurrentIndex(remembered);

    size_ = new QComboBox(this);
    size_->setObjectName(QStringLiteral("EtiketBoyu"));
    for (const QSizeF& mm : LabelPage::kSizes)
        size_->addItem(sizeText(mm), mm);
    size_->addItem(QStringLiteral("Başka boyut"));
    width_ = new QSpinBox(this);
    height_ = new QSpinBox(this);
    for (QSpinBox* s : {width_, height_}) {
        s->setRange(static_cast<int>(LabelPage::kMinMm), static_cast<int>(LabelPage::kMaxMm));
        s->setSuffix(QStringLiteral(" mm"));
    }
    width_->setObjectName(QStringLiteral("EtiketEni"));
    height_->setObjectName(QStringLiteral("EtiketYuksekligi"));
    const QSizeF stored = settings::etiketBoyu();
    width_->setValue(static_cast<int>(stored.width()));
    height_->setValue(static_cast<int>(stored.height()));
    const int offered = size_->findData(stored);
    size_->setCurrentIndex(offered >= 0 ? offered : size_->count() - 1);
    copies_ = new QSpinBox(this);
    copies_->setObjectName(QStringLiteral("Adet"));
    copies_->setRange(1, 9);

    auto* custom = new QHBoxLayout;
    custom->addWidget(width_);
    custom->addWidget(new QLabel(QStringLiteral("×"), this));
    custom->addWidget(height_);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Yazıcı:"), printer_);
    form->addRow(QStringLiteral("&Boyut:"), size_);
    form->addRow(QString(), custom);
    form->addRow(QStringLiteral("&Adet:"), copies_);
    auto* buttons = new QHBoxLayout;
    QPushButton* yazdir = button("Ya&zdır", "Yazdir", this);
    QPushButton* pdf = button("&PDF olarak kaydet", "PdfKaydet", this);
    QPushButton* kapat = button("&Kapat", "Kapat", this);
    buttons->addStretch();
    for (QPushButton* b : {yazdir, pdf, kapat})
        buttons->addWidget(b);
    auto* all = new QVBoxLayout(this);
    all->addWidget(preview_);
    all->addLayout(form);
    all->addLayout(buttons);

    connect(size_, &QComboBox::currentIndexChanged, this, &Etiket::sizeChosen);
    for (QSpinBox* s : {width_, height_})
        connect(s, &QSpinBox::valueChanged, preview_, qOverload<>(&QWidget::update));
    connect(yazdir, &QPushButton::clicked, this, &Etiket::Yazdir_Click);
    connect(pdf, &QPushButton::clicked, this, &Etiket::PdfKaydet_Click);
    connect(kapat, &QPushButton::clicked, this, &QDialog::reject);
    sizeChosen();
    yazdir->setDefault(true);
}

QSizeF Etiket::labelSize() const {
    const QVariant offered = size_->currentData();
    return offered.isValid() ? offered.toSizeF() : QSizeF(width_->value(), height_->value());
}

void Etiket::sizeChosen() {
    const bool custom = !size_->currentData().isValid();
    width_->setEnabled(custom);
    height_->setEnabled(custom);
    if (!custom) {
        width_->setValue(static_cast<int>(labelSize().width()));
        height_->setValue(static_cast<int>(labelSize().height()));
    }
    preview_->update();
}

void Etiket::paintLabel(QPainter& painter) const {
    LabelPage::paint(painter, fields_, labelSize());
}

void Etiket::Yazdir_Click() {
    const QString printer = printer_->currentText();
    if (printer.isEmpty()) {
        ui::MsgBox(this, QStringLiteral("Sistemde Yazıcı Bulunamadı."), ui::Icon::Exclamation);
        return;
    }
    settings::setEtiketYazici(printer);
    settings::setEtiketBoyu(labelSize());
    const print::PageSetup setup{QPageSize(labelSize(), QPageSize::Millimeter), copies_->value(),
                                 QStringLiteral("Etiket %1").arg(fields_.code),
                                 QStringLiteral("Etiket yazdırılmadı.")};
    const QString failed = print::printPage(
        printer, [this](QPainter& p) { paintLabel(p); }, setup);
    if (!failed.isEmpty()) {
        ui::MsgBox(this, failed, ui::Icon::Critical);
        return;
    }
    accept();
}

void Etiket::PdfKaydet_Click() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString file = ui::dialogs().saveFileName(
        this, QStringLiteral("PDF olarak kaydet"),
        QDir(documents).filePath(QStringLiteral("Etiket %1.pdf").arg(fields_.code)),
        QStringLiteral("PDF dosyaları (*.pdf)"));
    if (file.isEmpty())
        return;
    settings::setEtiketBoyu(labelSize());
    const print::PageSetup setup{QPageSize(labelSize(), QPageSize::Millimeter), 1,
                                 QStringLiteral("Etiket %1").arg(fields_.code)};
    const QString failed = print::writePdf(
        file, [this](QPainter& p) { paintLabel(p); }, setup);
    if (!failed.isEmpty())
        ui::MsgBox(this, failed, ui::Icon::Critical);
}

} // namespace printing
