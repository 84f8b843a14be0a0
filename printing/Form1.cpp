#include "Form1.h"

#include "DrawServiceForm.h"
#include "PageRenderer.h"
#include "PrinterConfirmed.h"
#include "SatirFile.h"
#include "ServiceFormSource.h"
#include "Settings.h"
#include "StoredLayout.h"
#include "YazSec.h"
#include "print/Printers.h"
#include "ui/Dialogs.h"
#include "ui/Twips.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <algorithm>

namespace printing {

namespace {
// Wide and high enough for every box at its design place.
constexpr int kDesignWidth = 9705;
constexpr int kDesignHeight = 7200;
constexpr int kHandleTwips = 90;

QRect pixels(const QRectF& twips) {
    return ui::twipsRect(qRound(twips.left()), qRound(twips.top()), qRound(twips.width()),
                         qRound(twips.height()));
}
} // namespace

Form1::Form1(ServiceFormSource& source, QWidget* owner)
    : QMainWindow(owner, Qt::Window)
    , source_(source) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Servis Formu"));
    setAttribute(Qt::WA_DeleteOnClose);
    // The service window that owns it is switched off as a whole meanwhile: it takes no input,
    // and no close from the window manager that would end the program under this window.
    setWindowModality(Qt::WindowModal);
    canvas_ = new QWidget(this);
    canvas_->setObjectName(QStringLiteral("Canvas"));
    canvas_->setAutoFillBackground(true);
    QPalette white = canvas_->palette();
    white.setColor(QPalette::Window, Qt::white);
    canvas_->setPalette(white);
    canvas_->installEventFilter(this);
    setCentralWidget(canvas_);
    buildMenus();
    buildBoxes();
    for (int i = 0; i < mod_resizer::kHandles; ++i) {
        auto* h = new QFrame(canvas_);
        h->setObjectName(QStringLiteral("handle_%1").arg(i));
        h->setAutoFillBackground(true);
        QPalette black = h->palette();
        black.setColor(QPalette::Window, Qt::black);
        h->setPalette(black);
        h->setCursor(i == 8 ? Qt::SizeAllCursor : Qt::CrossCursor);
        h->installEventFilter(this);
        h->hide();
        handles_[i] = h;
        setUnitGeometry(h, QRectF(0, 0, kHandleTwips, kHandleTwips));
    }
    resize(designSize());
    connect(&layout_, &PrintLayout::changed, this, &Form1::syncBoxes);
}

// Ending the program with this window still open keeps the layout too; the service window that
// owns it is already going, so only the file is written.
Form1::~Form1() {
    if (!unloaded_)
        Form_QueryUnload();
}

void Form1::buildMenus() {
    const auto action = [this](QMenu* menu, const char* name, const char* caption,
                               const char* keys = nullptr) {
        QAction* a = menu->addAction(QString::fromUtf8(caption));
        a->setObjectName(QString::fromUtf8(name));
        if (keys)
            a->setShortcut(QKeySequence(QString::fromLatin1(keys)));
        return a;
    };
    MnDosya = menuBar()->addMenu(QStringLiteral("Dosya"));
    MnDosya->setObjectName(QStringLiteral("MnDosya"));
    connect(MnDosya, &QMenu::aboutToShow, this, [this] { resizer_.HideHandles(*this); });
    Mnu[0] = action(MnDosya, "Mnu_0", "&Ayar", "Ctrl+A");
    Mnu[0]->setCheckable(true);
    Mnu[1] = action(MnDosya, "Mnu_1", "&Yazdır", "Ctrl+Y");
    PdfKaydet = action(MnDosya, "PdfKaydet", "PDF olarak kaydet");
    Sifirla = action(MnDosya, "Sifirla", "Düzeni Sıfırla");
    Baslik = action(MnDosya, "Baslik", "&Başlıklar", "Ctrl+B");
    Baslik->setCheckable(true);
    MnSecim = MnDosya->addMenu(QStringLiteral("&Seçim"));
    MnSecim->setObjectName(QStringLiteral("MnSecim"));
    for (int k = 0; k < kBoxes; ++k) {
        MnSec[k] = MnSecim->addAction(layout_.box(PrintLayout::boxOfItem(k)).field);
        MnSec[k]->setObjectName(QStringLiteral("MnSec_%1").arg(k));
        MnSec[k]->setCheckable(true);
        connect(MnSec[k], &QAction::triggered, this, [this, k] { MnSec_Click(k); });
    }
    MnDosya->addSeparator()->setObjectName(QStringLiteral("ara"));
    MnExit = action(MnDosya, "MnExit", "&Kapat", "Ctrl+K");

    PopMenu = new QMenu(QStringLiteral("PopMenu"), this);
    PopMenu->setObjectName(QStringLiteral("PopMenu"));
    Fatpop[0] = action(PopMenu, "Fatpop_0", "Ayar");
    Fatpop[0]->setCheckable(true);
    Fatpop[1] = action(PopMenu, "Fatpop_1", "Yazdır");
    FatpopPdf = action(PopMenu, "FatpopPdf", "PDF olarak kaydet");
    FatpopSifirla = action(PopMenu, "FatpopSifirla", "Düzeni Sıfırla");
    Fatpop[2] = PopMenu->addSeparator();
    Fatpop[3] = action(PopMenu, "Fatpop_3", "Kapat");

    for (QAction* a : {Mnu[0], Mnu[1], PdfKaydet, Baslik, MnExit})
        a->setShortcutContext(Qt::WindowShortcut);
    connect(Mnu[0], &QAction::triggered, this, &Form1::Mnu0_Click);
    connect(Fatpop[0], &QAction::triggered, this, [this] {
        Mnu[0]->setChecked(!Mnu[0]->isChecked()); // as if the menu item itself had been clicked
        Mnu0_Click();
    });
    connect(Mnu[1], &QAction::triggered, this, &Form1::Mnu1_Click);
    connect(Fatpop[1], &QAction::triggered, this, &Form1::Mnu1_Click);
    connect(PdfKaydet, &QAction::triggered, this, &Form1::PdfKaydet_Click);
    connect(FatpopPdf, &QAction::triggered, this, &Form1::PdfKaydet_Click);
    connect(Sifirla, &QAction::triggered, this, &Form1::Sifirla_Click);
    connect(FatpopSifirla, &QAction::triggered, this, &Form1::Sifirla_Click);
    connect(Baslik, &QAction::triggered, this, &Form1::Baslik_Click);
    connect(MnExit, &QAction::triggered, this, &QWidget::close);
    connect(Fatpop[3], &QAction::triggered, this, &QWidget::close);
}

void Form1::buildBoxes() {
    for (int i = 0; i < kBoxes; ++i) {
        const PrintLayout::Box& b = layout_.box(i);
        QWidget* w;
        if (b.multiLine) {
            auto* t = new QPlainTextEdit(b.text, canvas_);
            t->setTabChangesFocus(true);
            t->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            t->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            connect(t, &QPlainTextEdit::textChanged, this,
                    [this, i, t] { layout_.setBoxText(i, t->toPlainText()); });
            t->viewport()->installEventFilter(this);
            w = t;
        } else {
            auto* t = new QLineEdit(b.text, canvas_);
            connect(t, &QLineEdit::textEdited, this,
                    [this, i](const QString& s) { layout_.setBoxText(i, s); });
            w = t;
        }
        w->setObjectName(QStringLiteral("FatText_%1").arg(i));
        w->setFont(QFont(PageRenderer::font().family(), 10));
        QPalette p = w->palette();
        p.setColor(QPalette::Base, QColor(0x00, 0xFF, 0xFF));
        w->setPalette(p);
        w->setGeometry(pixels(b.twips));
        w->installEventFilter(this);
        // Shown in adjust mode only.
        w->hide();
        FatText[i] = w;
    }
}

void Form1::syncBoxes() {
    for (int i = 0; i < kBoxes; ++i) {
        const PrintLayout::Box& b = layout_.box(i);
        FatText[i]->setGeometry(pixels(b.twips));
        if (auto* line = qobject_cast<QLineEdit*>(FatText[i])) {
            if (line->text() != b.text)
                line->setText(b.text);
        } else if (auto* text = static_cast<QPlainTextEdit*>(FatText[i]); text->toPlainText() != b.text) {
            text->setPlainText(b.text);
        }
    }
    canvas_->update();
}

void Form1::Form_Load() {
    source_.setSwitchedOff(true);
    loadStoredLayout(layout_);
    Baslik->setChecked(layout_.headings());
    for (int k = 0; k < kBoxes; ++k)
        MnSec[k]->setChecked(layout_.selection()[k]);
    const QString prn = settings::prn();
    if (!prn.isEmpty() && print::installedPrinters().contains(prn))
        print::setCurrentPrinter(prn);
    show();
    // Placed once shown, when the window's frame is known.
    placeWindow();
    // Drawn at once, whether or not the platform activates the new window.
    DrawServiceForm();
}

QSize Form1::designSize() const {
    return {ui::twipsToPixelsX(kDesignWidth),
            ui::twipsToPixelsY(kDesignHeight) + menuBar()->sizeHint().height()};
}

// The stored geometry is the outer one, frame included; a window that lies off every screen (a
// screen taken away, a damaged file) is brought onto the nearest one.
void Form1::placeWindow() {
    placedWindow_ = layout_.window();
    placedOuter_ = {};
    if (placedWindow_.isEmpty())
        return;
    const QRect outer = pixels(placedWindow_);
    const QScreen* screen = QGuiApplication::screenAt(outer.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    placedOuter_ = outer;
    if (screen && !screen->geometry().contains(outer)) {
        const QRect room = screen->availableGeometry();
        placedOuter_.setSize(outer.size().boundedTo(room.size()));
        placedOuter_.moveLeft(std::clamp(outer.left(), room.left(), room.right() - placedOuter_.width() + 1));
        placedOuter_.moveTop(std::clamp(outer.top(), room.top(), room.bottom() - placedOuter_.height() + 1));
        // Not where the file said: what is written back is where it is.
        placedWindow_ = {};
    }
    applyPlacement();
}

// The window manager puts its frame on after the window is shown: until then the frame counts as
// nothing, and once it is known the window is placed again, so that the frame is not added to the
// stored size at every opening.
void Form1::applyPlacement() {
    placedFrame_ = frameGeometry().size() - size();
    move(placedOuter_.topLeft());
    resize(placedOuter_.size() - placedFrame_);
    placedClient_ = geometry();
}

QRectF Form1::windowTwips() const {
    const QRect outer = frameGeometry();
    // Neither moved nor sized since it was placed: the stored numbers as they were read. Told by the
    // window itself, as the frame may still be unknown when it was placed.
    if (!placedWindow_.isEmpty() && geometry() == placedClient_)
        return placedWindow_;
    return {double(ui::pixelsToTwipsX(outer.x())), double(ui::pixelsToTwipsY(outer.y())),
            double(ui::pixelsToTwipsX(outer.width())), double(ui::pixelsToTwipsY(outer.height()))};
}

void Form1::Sifirla_Click() {
    if (ui::MsgBox(this,
                   QStringLiteral("Bütün alanlar ve pencere ilk yerlerine dönecek. Düzen sıfırlansın mı?"),
                   ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::No) != ui::Answer::Yes)
        return;
    resizer_.HideHandles(*this);
    layout_.reset();
    placedWindow_ = {};
    placedOuter_ = {};
    const QScreen* s = screen();
    move(s ? s->availableGeometry().topLeft() : QPoint());
    resize(designSize());
    DrawServiceForm();
}

void Form1::DrawServiceForm() {
    page_ = printing::DrawServiceForm(layout_, source_);
    canvas_->update();
}

void Form1::paintPage(QPainter& painter) const {
    if (adjust_)
        PageRenderer::paintBoxes(painter, layout_);
    else
        PageRenderer::paint(painter, page_);
}

void Form1::Mnu0_Click() {
    page_ = {};
    adjust_ = Mnu[0]->isChecked();
    Fatpop[0]->setChecked(adjust_);
    Baslik->setEnabled(!adjust_);
    for (QWidget* box : FatText)
        box->setVisible(adjust_);
    if (!adjust_) {
        resizer_.HideHandles(*this);
        DrawServiceForm();
    }
    canvas_->update();
}

void Form1::Baslik_Click() {
    settings::setBaslik(Baslik->isChecked());
    layout_.setHeadings(Baslik->isChecked());
    DrawServiceForm();
}

void Form1::MnSec_Click(int item) {
    std::array<bool, kBoxes> selected = layout_.selection();
    selected[item] = MnSec[item]->isChecked();
    layout_.setSelection(selected);
    storeSelectionItem(layout_, item);
    DrawServiceForm();
}

void Form1::Mnu1_Click() {
    auto* choice = new YazSec(this);
    if (!choice->Form_Load())
        return;
    // The print waits for the answer without a nested event loop.
    connect(choice, &QDialog::finished, this, &Form1::printConfirmed);
    choice->open();
}

void Form1::printConfirmed() {
    if (!PrinterConfirmed)
        return;
    PrinterConfirmed = false;
    const QString failed = print::printPage(print::currentPrinter(), [this](QPainter& p) { paintPage(p); });
    // A printer that fails is said: silence would leave the user believing the form was printed.
    if (!failed.isEmpty())
        ui::MsgBox(this, failed, ui::Icon::Critical);
}

void Form1::PdfKaydet_Click() {
    const QString code = source_.formText(17);
    const QString name = code.contains(QRegularExpression(QStringLiteral("\\d")))
                             ? code + QStringLiteral(".pdf")
                             : QStringLiteral("Servis Formu.pdf");
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString file =
        ui::dialogs().saveFileName(this, QStringLiteral("PDF olarak kaydet"), QDir(documents).filePath(name),
                                   QStringLiteral("PDF dosyaları (*.pdf)"));
    if (file.isEmpty())
        return;
    const QString failed = print::writePdf(file, [this](QPainter& p) { paintPage(p); });
    if (!failed.isEmpty())
        ui::MsgBox(this, failed, ui::Icon::Critical);
}

bool Form1::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        DrawServiceForm();
    // The frame shows by the time the window manager activates the window, if not before; later
    // changes of the frame (a maximised window loses its borders) are the user's.
    if ((e->type() == QEvent::Move || e->type() == QEvent::Resize || e->type() == QEvent::WindowActivate) &&
        !placedOuter_.isNull() && placedFrame_.isNull() && !(frameGeometry().size() - size()).isNull())
        applyPlacement();
    return QMainWindow::event(e);
}

void Form1::closeEvent(QCloseEvent* e) {
    Form_QueryUnload();
    Form_Unload();
    e->accept();
}

void Form1::Form_QueryUnload() {
    layout_.setWindow(windowTwips());
    satir::write(satir::kFileName, layout_);
    satir::writeBarcode(satir::kBarcodeFileName, layout_);
}

void Form1::Form_Unload() {
    unloaded_ = true;
    source_.setSwitchedOff(false);
    PrinterConfirmed = false;
}

} // namespace printing
