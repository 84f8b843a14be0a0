// Construction of the service window: every control at its place in twips.
#include "ServisFields.h"
#include "frmServis.h"

#include "FitCaption.h"
#include "ui/Twips.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimeEdit>
#include <QToolButton>

using ui::twipsRect;

namespace {

template <typename W> W* place(W* w, int left, int top, int width, int height, const QString& name) {
    w->setGeometry(twipsRect(left, top, width, height));
    w->setObjectName(name);
    return w;
}

// The style offers no printer: a sheet coming out of a printer, drawn at the icon's size.
QIcon printerIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5)); // paper going in
    p.setBrush(QColor(150, 150, 150));
    p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1.5, 1.5); // body
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 10.5, 7, 4.5)); // the printed sheet
    p.setPen(QColor(60, 160, 60));
    p.drawPoint(QPointF(12.5, 8.5)); // the power light
    return QIcon(pixmap);
}

constexpr int kRow = 315;
constexpr int kBoxLeft = 1380;
// Labels end where their boxes begin (not 15 twips inside them), so that repainting a box
// never repaints its label.
constexpr int kLabelWidth = kBoxLeft - 120;
constexpr int kCaptionRow = 300; // a caption above a box ends where the box begins
constexpr int kBoxWidth = 3555;

// The value lists show one field of every record, one line each: the first row's size serves them
// all. A list of uniform rows sizes them from its last row otherwise, a record far outside the
// screenful the set has read (on a server, a round trip of its own after every refresh).
class OneLineRows : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index.sibling(0, index.column()));
    }
};

} // namespace

QLabel* frmServis::addLabel(int index, const QString& caption, int left, int top, int width, int height) {
    auto* l =
        place(new QLabel(caption, Frame1), left, top, width, height, QStringLiteral("Label1_%1").arg(index));
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    Label1[index] = l;
    return l;
}

void frmServis::buildRecordPanel() {
    Frame1 = place(new QFrame(centralWidget()), 0, 0, 9555, 7875, QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);

    addLabel(0, QStringLiteral(" Kayıt Kodu"), 120, 240, kLabelWidth);
    MaskEdBox1 = place(new QLineEdit(Frame1), kBoxLeft, 240, 1035, kRow, QStringLiteral("MaskEdBox1"));
    MaskEdBox1->setInputMask(QStringLiteral("99-9999-99;_"));
    // Ten characters in 1035 twips: a little tighter than the other boxes, so none is cut off.
    QFont tight = MaskEdBox1->font();
    tight.setLetterSpacing(QFont::AbsoluteSpacing, -0.6);
    MaskEdBox1->setFont(tight);

    struct Row {
        int label;
        const char* caption;
        int box;
        int top;
        int width;
    };
    const Row rows[] = {
        {1, " Ünvan", 0, 600, kBoxWidth},         {7, " Adres", 1, 960, kBoxWidth},
        {8, " Adres", 2, 1320, kBoxWidth},        {9, " Şehir", 3, 1680, kBoxWidth},
        {2, " Telefon", 4, 2040, 1575},           {3, " Vergi Dairesi", 5, 2400, kBoxWidth},
        {4, " Vergi No", 6, 2760, kBoxWidth},     {27, " Email", 17, 3120, kBoxWidth},
        {10, " İlgili Kişi", 7, 3810, kBoxWidth}, {11, " Sistem", 8, 4170, kBoxWidth},
        {12, " Marka Model", 9, 4530, kBoxWidth}, {13, " Seri No", 10, 4890, kBoxWidth},
        {15, " Teknisyen", 11, 5610, kBoxWidth},  {18, " Teslim Alan", 12, 6330, kBoxWidth},
    };
    for (const Row& r : rows) {
        addLabel(r.label, QString::fromUtf8(r.caption), 120, r.top, kLabelWidth);
        auto* box = place(new QLineEdit(Frame1), kBoxLeft, r.top, r.width, kRow,
                          QStringLiteral("Text1_%1").arg(r.box));
        box->setMaxLength(kTextFields[r.box].limit);
        Text1[r.box] = box;
    }

    addLabel(5, QStringLiteral(" Kayıt Tarihi"), 120, 3450, kLabelWidth);
    KayitTarih = place(new QDateEdit(Frame1), kBoxLeft, 3450, 1365, kRow, QStringLiteral("KayitTarih"));
    addLabel(6, QStringLiteral("Kayıt Saati"), 2760, 3450, 1125);
    KayitSaat = place(new QTimeEdit(Frame1), 3900, 3450, 1035, kRow, QStringLiteral("KayitSaat"));

    addLabel(14, QStringLiteral(" Servis"), 120, 5250, kLabelWidth);
    Nerde = place(new QComboBox(Frame1), kBoxLeft, 5250, 1335, kRow, QStringLiteral("Nerde"));
    for (const QString& e : kNerdeEntries)
        Nerde->addItem(e);
    addLabel(26, QStringLiteral("Son Durum"), 2730, 5250, 1065);
    Durumu = place(new QComboBox(Frame1), 3810, 5250, 1125, kRow, QStringLiteral("Durumu"));
    for (const QString& e : kDurumEntries)
        Durumu->addItem(e);

    addLabel(16, QStringLiteral(" Teslim Tarihi"), 120, 5970, kLabelWidth);
    TeslimTarih = place(new QDateEdit(Frame1), kBoxLeft, 5970, 1365, kRow, QStringLiteral("TeslimTarih"));
    addLabel(17, QStringLiteral("Teslim Saati"), 2790, 5970, 1110);
    TeslimSaat = place(new QTimeEdit(Frame1), 3900, 5970, 1035, kRow, QStringLiteral("TeslimSaat"));

    for (QDateEdit* d : {KayitTarih, TeslimTarih}) {
        d->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        d->setCalendarPopup(true);
    }
    for (QTimeEdit* t : {KayitSaat, TeslimSaat}) {
        t->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        t->setButtonSymbols(QAbstractSpinBox::NoButtons);
    }

    addLabel(19, QStringLiteral("Tahsilat Bilgisi"), 120, 6690, 4815, kCaptionRow);
    const struct {
        int box, left, top, width, height;
    } longs[] = {{13, 120, 6990, 4815, 735},
                 {14, 5100, 540, 4305, 1455},
                 {15, 5100, 2340, 4305, 1455},
                 {16, 5100, 5940, 4305, 1785}};
    for (const auto& l : longs) {
        auto* box = place(new QPlainTextEdit(Frame1), l.left, l.top, l.width, l.height,
                          QStringLiteral("Text1_%1").arg(l.box));
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setTabChangesFocus(true);
        Text1[l.box] = box;
    }
    addLabel(20, QStringLiteral("Başvuru Sebebi"), 5100, 240, 4305, kCaptionRow);
    addLabel(21, QStringLiteral("Yapılan İş"), 5100, 2040, 4305, kCaptionRow);
    addLabel(22, QStringLiteral("Kullanılan Malzeme"), 5100, 3870, 4305);
    addLabel(23, QStringLiteral("Sonuç"), 5100, 5640, 4305, kCaptionRow);

    DBGrid1 = place(new QTableView(Frame1), 5100, 4200, 4305, 1365, QStringLiteral("DBGrid1"));
    stkHarModel_ =
        new engine::RecordsetModel(dataStkHar_, {{QStringLiteral("StokAd"), QStringLiteral("StokAd")}}, this);
    DBGrid1->setModel(stkHarModel_);
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    DBGrid1->verticalHeader()->setDefaultSectionSize(ui::twipsToPixelsY(kRow) - 2);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    stkHarModel_->bindCurrentRow(DBGrid1);

    QWidget* order[] = {MaskEdBox1, Text1[0],  Text1[1],   Text1[2],  Text1[3],    Text1[4],   Text1[5],
                        Text1[6],   Text1[17], KayitTarih, KayitSaat, Text1[7],    Text1[8],   Text1[9],
                        Text1[10],  Nerde,     Durumu,     Text1[11], TeslimTarih, TeslimSaat, Text1[12],
                        Text1[13],  Text1[14], Text1[15],  Text1[16]};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    // While browsing the panel takes no input but stays readable: its fields keep their normal
    // colours instead of the greyed ones of a disabled control.
    QPalette readable = Frame1->palette();
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const auto r = static_cast<QPalette::ColorRole>(role);
        readable.setColor(QPalette::Disabled, r, readable.color(QPalette::Active, r));
    }
    Frame1->setPalette(readable);
    Frame1->setEnabled(false);
}

void frmServis::buildBars() {
    QWidget* c = centralWidget();
    Picture1 = place(new QFrame(c), 0, 8010, 5205, 300, QStringLiteral("Picture1"));
    const struct {
        QPushButton** button;
        const char* name;
        const char* caption;
        QIcon icon;
    } commands[] = {
        {&cmdAdd, "cmdAdd", "Yeni &Kayıt", style()->standardIcon(QStyle::SP_FileIcon)},
        {&cmdDelete, "cmdDelete", "Kayıt &Sil", style()->standardIcon(QStyle::SP_TrashIcon)},
        {&cmdDuzeltme, "cmdDüzeltme", "&Düzeltme", style()->standardIcon(QStyle::SP_FileDialogDetailedView)},
        {&cmdYazici, "cmdYazici", "&Yazıcı", printerIcon()},
        {&cmdClose, "cmdClose", "&Çıkış", style()->standardIcon(QStyle::SP_DialogCloseButton)},
    };
    const int width = 5205 / 5;
    for (int i = 0; i < 5; ++i) {
        auto* b = place(new QPushButton(QString::fromUtf8(commands[i].caption), Picture1), i * width, 0,
                        width, 300, QString::fromUtf8(commands[i].name));
        b->setIcon(commands[i].icon);
        b->setFocusPolicy(Qt::TabFocus);
        fitCaption(b);
        *commands[i].button = b;
    }

    Picture2 = place(new QFrame(c), 60, 8010, 5085, 300, QStringLiteral("Picture2"));
    const char* confirms[] = {"&Tamam", "&Vazgeç"};
    const QStyle::StandardPixmap confirmIcons[] = {QStyle::SP_DialogOkButton, QStyle::SP_DialogCancelButton};
    for (int i = 0; i < 2; ++i) {
        auto* b = place(new QPushButton(QString::fromUtf8(confirms[i]), Picture2), i * 2542, 0, 2542, 300,
                        QStringLiteral("Evet_Hayir_%1").arg(i));
        b->setIcon(style()->standardIcon(confirmIcons[i]));
        fitCaption(b);
        Evet_Hayir[i] = b;
    }
    Picture2->hide();

    Data1Bar = place(new QFrame(c), 5220, 7980, 4305, 345, QStringLiteral("Data1"));
    Data1Bar->setFrameShape(QFrame::Panel);
    const struct {
        Qt::ArrowType arrow;
        const char* text;
        const char* name;
    } arrows[] = {{Qt::NoArrow, "|◀", "Data1_First"},
                  {Qt::LeftArrow, "", "Data1_Previous"},
                  {Qt::RightArrow, "", "Data1_Next"},
                  {Qt::NoArrow, "▶|", "Data1_Last"}};
    const int arrowWidth = 400;
    for (int i = 0; i < 4; ++i) {
        const int left = i < 2 ? i * arrowWidth : 4305 - (4 - i) * arrowWidth;
        auto* b =
            place(new QToolButton(Data1Bar), left, 0, arrowWidth, 345, QString::fromUtf8(arrows[i].name));
        if (arrows[i].arrow != Qt::NoArrow)
            b->setArrowType(arrows[i].arrow);
        else
            b->setText(QString::fromUtf8(arrows[i].text));
        b->setFocusPolicy(Qt::NoFocus);
        Data1Arrows[i] = b;
    }
    Data1Caption = place(new QLabel(Data1Bar), 2 * arrowWidth, 0, 4305 - 4 * arrowWidth, 345,
                         QStringLiteral("Data1_Caption"));
    Data1Caption->setAlignment(Qt::AlignCenter);

    Cursortxt = place(new QLineEdit(c), 9540, 7890, 15, 15, QStringLiteral("Cursortxt"));

    CariList = place(new QTableView(c), 5100, 90, 4425, 7665, QStringLiteral("CariList"));
    CariList->hide();
}

void frmServis::buildListPanel() {
    Frame2 = place(new QFrame(centralWidget()), 5100, 0, 4455, 7755, QStringLiteral("Frame2"));
    Frame2->setFrameShape(QFrame::Box);
    Frame2->setAutoFillBackground(true);
    const auto label = [this](const QString& caption, int left, int top, int width) {
        auto* l = place(new QLabel(caption, Frame2), left, top, width, kRow, QString());
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        return l;
    };
    label(QStringLiteral("Veri Tipi"), 120, 360, 1200);
    Combo1 = place(new QComboBox(Frame2), 1380, 360, 2955, kRow, QStringLiteral("Combo1"));
    Combo1->addItems({QStringLiteral("Kayıt Kodu"), QStringLiteral("Ünvan"), QStringLiteral("Şehir"),
                      QStringLiteral("Servisi Yapan"), QStringLiteral("Seri No")});

    label(QStringLiteral("Veri Seçimi"), 120, 780, 1200);
    valueModel_ = new engine::RecordsetModel(data1_, {{QStringLiteral("ServisKayitNo"), QString()}}, this);
    DBCombo1 = place(new QComboBox(Frame2), 1380, 780, 2955, kRow, QStringLiteral("DBCombo1"));
    DBCombo1->setEditable(true);
    DBCombo1->setInsertPolicy(QComboBox::NoInsert);
    DBCombo1->setCompleter(nullptr);
    // Sizing from the contents would read every record; the list may hold a quarter million.
    DBCombo1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    DBCombo1->setMinimumContentsLength(10);
    auto* comboView = new QListView(DBCombo1);
    comboView->setUniformItemSizes(true);
    comboView->setItemDelegate(new OneLineRows(comboView));
    DBCombo1->setView(comboView);
    DBCombo1->setModel(valueModel_);

    Label2 = label(QStringLiteral("Listesi"), 120, 1200, 4215);
    Label2->setObjectName(QStringLiteral("Label2"));
    DBList1 = place(new QListView(Frame2), 120, 1515, 4215, 5265, QStringLiteral("DBList1"));
    DBList1->setUniformItemSizes(true);
    DBList1->setItemDelegate(new OneLineRows(DBList1));
    DBList1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBList1->setModel(valueModel_);

    CmdSonraki = place(new QPushButton(QStringLiteral("Tekrar Ara"), Frame2), 120, 6900, 2000, 345,
                       QStringLiteral("CmdSonraki"));
    CmdSonraki->setToolTip(QStringLiteral("F3 Tekrar Arama"));
    Check1 = place(new QCheckBox(QStringLiteral("Filitre Yok"), Frame2), 2340, 6900, 1995, 345,
                   QStringLiteral("Check1"));

    DTPicker1 = place(new QDateEdit(Frame2), 120, 7320, 1365, kRow, QStringLiteral("DTPicker1"));
    DTPicker2 = place(new QDateEdit(Frame2), 2970, 7320, 1365, kRow, QStringLiteral("DTPicker2"));
    for (QDateEdit* d : {DTPicker1, DTPicker2})
        d->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    Frame2->hide();

    Liste = place(new QCheckBox(QStringLiteral("&Liste"), centralWidget()), 8460, 15, 1000, 225,
                  QStringLiteral("Liste"));
    Liste->raise();
}

void frmServis::buildMenu() {
    QMenu* dosya = menuBar()->addMenu(QStringLiteral("Dosya"));
    dosya->setObjectName(QStringLiteral("Dosya"));
    Yedekle = dosya->addAction(QStringLiteral("Bilgileri Yedekle"));
    Yedekle->setObjectName(QStringLiteral("Yedekle"));
    Gerial = dosya->addAction(QStringLiteral("Bilgileri Geri Al"));
    Gerial->setObjectName(QStringLiteral("Gerial"));
    Gerial->setCheckable(true);
    dosya->addSeparator();
    StokKayit = dosya->addAction(QStringLiteral("Stoklar"));
    StokKayit->setObjectName(QStringLiteral("StokKayıt"));
    dosya->addSeparator();
    Kapat = dosya->addAction(QStringLiteral("Kapat"));
    Kapat->setObjectName(QStringLiteral("Kapat"));

    // What the program does beyond the old one hangs here, each feature adding its item; "Dosya"
    // keeps its own items.
    Araclar = menuBar()->addMenu(QStringLiteral("Araçlar"));
    Araclar->setObjectName(QStringLiteral("Araclar"));

    PoPMenu = new QMenu(this);
    PoPMenu->setObjectName(QStringLiteral("PoPMenu"));
    PoPMenu->addAction(QStringLiteral("Satır Sil"))->setObjectName(QStringLiteral("PopMnu"));
}
