// The stock list: construction, loading, the group filters, the search and the window's keys.
#include "Form2.h"

#include "ProgramDirectory.h"
#include "StockControls.h"
#include "StockFilter.h"
#include "StockHost.h"
#include "TextCursor.h"
#include "Wheelmouse.h"
#include "WindowMotion.h"
#include "engine/DbError.h"
#include "ui/Dialogs.h"
#include "ui/Twips.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTableView>

using engine::DbError;
using stockfilter::kNoGroup;
using stockfilter::kSearchPlaceholder;
using stockui::place;
using stockui::setGrey;

namespace {

constexpr int kRow = 315;
constexpr int kDesignedWidths[Form2::kColumns] = {1800, 3300, 1800, 1500};
const char* const kFields[Form2::kColumns] = {"StokKod", "StokAd", "Barkod", "SeriNo"};

} // namespace

Form2::Form2(StockHost* host, QWidget* owner)
    : QWidget(owner, Qt::Window)
    , host_(host)
    , data1_(new engine::DataSource(this))
    , dataGurup_(new engine::DataSource(this))
    , dataAltGrp_(new engine::DataSource(this)) {
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral(" Stok Listesi"));
    QFont compact = font();
    compact.setPointSize(8);
    setFont(compact);
    data1_->setObjectName(QStringLiteral("Data1"));
    dataGurup_->setObjectName(QStringLiteral("DataGurup"));
    dataAltGrp_->setObjectName(QStringLiteral("DataAltGrp"));
    buildControls();
    setFixedSize(ui::twipsToPixelsX(8895) + fitGridToColumns(), ui::twipsToPixelsY(6090));

    connect(Combo1, &QComboBox::currentIndexChanged, this, &Form2::Combo1_Click);
    connect(Combo2, &QComboBox::currentIndexChanged, this, &Form2::Combo2_Click);
    connect(Text1, &QLineEdit::textChanged, this, &Form2::Text1_Change);
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);
    connect(StokList, &QTableView::doubleClicked, this, &Form2::handBack);
    connect(StokList->horizontalHeader(), &QHeaderView::sectionClicked, this, &Form2::SortByColumn);
    connect(StokList->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column) { columnResized(column); });
    StokList->horizontalHeader()->viewport()->installEventFilter(this);
    connect(StokList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { mnuPopUp->popup(StokList->viewport()->mapToGlobal(at)); });
    connect(data1_, &engine::DataSource::validate, this, &Form2::Data1_Validate);
    for (QWidget* w : std::initializer_list<QWidget*>{Text1, Combo1, Combo2, StokList, Command1})
        w->installEventFilter(this);
    motion::dragByBackground(this);
    motion::fadeOutOnClose(this, 500, [this] { wheel::WheelUnhook(this); });
    // The window takes every turn: over the grid it moves the card, elsewhere (a filter box
    // included, which would otherwise change the filter) it does nothing.
    wheel::WheelHook(this, [this](int keys, int rotation, int x, int y) {
        MouseWheel(keys, rotation, x, y);
        return true;
    });
}

Form2::~Form2() = default;

// The designed widths fill the grid exactly, so a vertical scroll bar would cut off the last
// column: the grid (and the window with it) grows by what the scroll bar and the frame take.
// Returns the pixels added.
int Form2::fitGridToColumns() {
    int needed = 2 * StokList->frameWidth() +
                 StokList->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, StokList);
    for (int width : kDesignedWidths)
        needed += ui::twipsToPixelsX(width);
    const int extra = std::max(0, needed - StokList->width());
    StokList->resize(StokList->width() + extra, StokList->height());
    return extra;
}

void Form2::buildControls() {
    Text1 = place(new QLineEdit(this), 120, 120, 4935, kRow, QStringLiteral("Text1"));
    Text1->setMaxLength(50);
    Text1->setText(kSearchPlaceholder);
    setGrey(Text1, true);
    Command1 = place(new QPushButton(QStringLiteral("Kapat"), this), 7560, 105, 1215, 345,
                     QStringLiteral("Command1"));

    Label1[0] =
        place(new QLabel(QStringLiteral(" Gurup"), this), 120, 540, 975, kRow, QStringLiteral("Label1_0"));
    Combo1 = place(new QComboBox(this), 1095, 540, 2535, kRow, QStringLiteral("Combo1"));
    Label1[1] = place(new QLabel(QStringLiteral(" Alt Gurup"), this), 3750, 540, 1095, kRow,
                      QStringLiteral("Label1_1"));
    Combo2 = place(new QComboBox(this), 4845, 540, 2535, kRow, QStringLiteral("Combo2"));
    for (QLabel* l : Label1) {
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
    }

    StokList = place(new QTableView(this), 120, 975, 8655, 4995, QStringLiteral("StokList"));
    designedCaptions_ = {QStringLiteral("        Stok Kodu"),
                         QStringLiteral("                        Stok Adı"),
                         QStringLiteral("            Barkod"), QStringLiteral("          Seri No")};
    QVector<engine::RecordsetModel::Column> columns;
    for (int c = 0; c < kColumns; ++c)
        columns.push_back({QString::fromLatin1(kFields[c]), designedCaptions_[c]});
    model_ = new engine::RecordsetModel(data1_, columns, this);
    StokList->setModel(model_);
    StokList->verticalHeader()->hide();
    StokList->verticalHeader()->setDefaultSectionSize(ui::twipsToPixelsY(kRow) - 2);
    StokList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StokList->horizontalHeader()->setSectionsClickable(true);
    StokList->setSelectionBehavior(QAbstractItemView::SelectRows);
    StokList->setSelectionMode(QAbstractItemView::SingleSelection);
    StokList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StokList->setContextMenuPolicy(Qt::CustomContextMenu);
    // Tab goes on to the next control, as the old grid did, not from cell to cell.
    StokList->setTabKeyNavigation(false);
    for (int c = 0; c < kColumns; ++c)
        widthsTwips_[c] = kDesignedWidths[c];
    applyColumns();
    model_->bindCurrentRow(StokList);
    connect(data1_, &engine::DataSource::recordsetReplaced, this, &Form2::applyColumns);

    mnuPopUp = new QMenu(QStringLiteral("PopUpMenu"), this);
    mnuPopUp->setObjectName(QStringLiteral("mnuPopUp"));
    const auto item = [this](const QString& caption, const QString& name) {
        QAction* a = mnuPopUp->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    connect(item(QStringLiteral("Stok Kayıt"), QStringLiteral("StokKayıt")), &QAction::triggered, this,
            &Form2::StokKayit_Click);
    mnuPopUp->addSeparator()->setObjectName(QStringLiteral("ara1"));
    connect(item(QStringLiteral("Stok Sil"), QStringLiteral("StokSil")), &QAction::triggered, this,
            &Form2::StokSil_Click);
    mnuPopUp->addSeparator()->setObjectName(QStringLiteral("ara"));
    connect(item(QStringLiteral("Kapat"), QStringLiteral("Kapat")), &QAction::triggered, this,
            &QWidget::close);

    QWidget* order[] = {Text1, Combo1, Combo2, StokList, Command1};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

bool Form2::Form_Load() {
    data1_->setDatabaseName(programFile(QStringLiteral("Stok.mdb")));
    data1_->setRecordSource(QStringLiteral("Select * From StokKartlar Order By StokKod ASC"));
    try {
        engine::RefreshData(*data1_);
    } catch (const DbError& e) {
        reportFailure(QStringLiteral("Stok dosyası açılamadı."), e.description());
        return false;
    }
    LoadGridLayout();
    sortAscending_ = true;

    const QFontMetrics metrics(Text1->font());
    // One character wide, from the caret to the right, as tall as a line.
    caret::setBlockCaretSize(QSize(metrics.horizontalAdvance(QLatin1Char('X')), metrics.height()));

    dataGurup_->setDatabaseName(data1_->databaseName());
    dataAltGrp_->setDatabaseName(data1_->databaseName());
    dataGurup_->setRecordSource(QStringLiteral("Select * From Gurup Order By Gurup ASC"));
    try {
        engine::RefreshData(*dataGurup_);
        showAllGroups(stockfilter::fieldValues(*dataGurup_, QStringLiteral("Gurup")));
    } catch (const DbError& e) {
        reportFailure(QStringLiteral("Stok gurupları okunamadı."), e.description());
    }
    Text1->setFocus();
    return true;
}

QString Form2::groupFilterText() const {
    return Combo1->currentText();
}

QString Form2::subgroupFilterText() const {
    return Combo2->currentText();
}

void Form2::showAllGroups(const QStringList& groups) {
    {
        const QSignalBlocker quiet(Combo1);
        Combo1->clear();
        Combo1->addItems(groups);
        Combo1->addItem(kNoGroup);
        Combo1->setCurrentIndex(Combo1->count() - 1);
    }
    Combo1_Click();
}

void Form2::Combo1_Click() {
    try {
        dataAltGrp_->setRecordSource(stockfilter::subgroupSource(Combo1->currentText()));
        engine::RefreshData(*dataAltGrp_);
        // The subgroup choice would apply the filter a second time for nothing.
        const QSignalBlocker quiet(Combo2);
        Combo2->clear();
        Combo2->addItems(stockfilter::fieldValues(*dataAltGrp_, QStringLiteral("AltGurup")));
        Combo2->addItem(kNoGroup);
        Combo2->setCurrentIndex(Combo2->count() - 1);
    } catch (const DbError& e) {
        reportFailure(QStringLiteral("Alt guruplar okunamadı."), e.description());
    }
    ApplyStockFilter();
}

void Form2::Combo2_Click() {
    ApplyStockFilter();
}

void Form2::ApplyStockFilter() {
    data1_->setRecordSource(stockfilter::cardSource(Combo1->currentText(), Combo2->currentText()));
    try {
        engine::RefreshData(*data1_);
    } catch (const DbError& e) {
        reportFailure(QStringLiteral("Stok kartları okunamadı."), e.description());
    }
}

void Form2::Text1_Change(const QString& text) {
    if (text.isEmpty() || text == kSearchPlaceholder)
        return;
    const QString typed = text.trimmed();
    searchFound_ = false;
    engine::Recordset* rs = data1_->recordset();
    if (typed.isEmpty() || !rs)
        return;
    try {
        for (const QString& criterion : stockfilter::searchCriteria(typed)) {
            rs->findFirst(criterion);
            if (!rs->noMatch()) {
                searchFound_ = true;
                return;
            }
        }
    } catch (const DbError&) {
        // A card that vanished under the search: the list stays where it was.
    }
}

void Form2::Text1_GotFocus() {
    Text1->clear();
    setGrey(Text1, false);
    caret::ShowBlockCaret(Text1);
}

void Form2::Text1_LostFocus() {
    Text1->setText(kSearchPlaceholder);
    setGrey(Text1, true);
    searchFound_ = false;
}

// A scanner types the whole code and Enter: a card that carries exactly that barcode, else that
// serial number, else that code, is the one meant, before any card the text only begins.
bool Form2::findExact() {
    const QString typed = Text1->text().trimmed();
    engine::Recordset* rs = data1_->recordset();
    if (typed.isEmpty() || typed == kSearchPlaceholder || !rs)
        return false;
    try {
        for (const QString& criterion : stockfilter::exactCriteria(typed)) {
            rs->findFirst(criterion);
            if (!rs->noMatch())
                return true;
        }
    } catch (const DbError&) {
        // A card that vanished under the search: the prefix match stands.
    }
    return false;
}

bool Form2::eventFilter(QObject* watched, QEvent* e) {
    if (watched == StokList->horizontalHeader()->viewport()) {
        if (e->type() == QEvent::MouseButtonRelease)
            SaveGridLayout();
        return QWidget::eventFilter(watched, e);
    }
    if (watched == Text1) {
        if (e->type() == QEvent::FocusIn)
            Text1_GotFocus();
        else if (e->type() == QEvent::FocusOut)
            Text1_LostFocus();
    }
    if (e->type() == QEvent::KeyPress && windowKey(static_cast<QKeyEvent*>(e)))
        return true;
    return QWidget::eventFilter(watched, e);
}

// Keys the window takes before its controls see them.
bool Form2::windowKey(QKeyEvent* key) {
    switch (key->key()) {
    case Qt::Key_Escape:
        close();
        return true;
    case Qt::Key_Down:
    case Qt::Key_Up:
        step(key->key() == Qt::Key_Down);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A barcode scanner types the code and then Enter: a found card is taken at once.
        if (QApplication::focusWidget() == StokList ||
            (QApplication::focusWidget() == Text1 && (findExact() || searchFound_))) {
            handBack();
            return true;
        }
        return false;
    default:
        return false;
    }
}

void Form2::step(bool forward) {
    engine::Recordset* rs = data1_->recordset();
    if (!rs)
        return;
    try {
        rs->followOutsideWrites(); // another desk may have added cards
        if (rs->recordCount() == 0)
            return;
        const int at = rs->absolutePosition();
        if (forward && at < rs->recordCount() - 1)
            rs->moveNext();
        else if (!forward && at > 0)
            rs->movePrevious();
    } catch (const DbError&) {
        // The card vanished under the arrow: the list stays where it was.
    }
}

void Form2::reportFailure(const QString& what, const QString& detail) {
    ui::MsgBox(this, what + QStringLiteral("\n\n") + detail, ui::Icon::Critical);
}
