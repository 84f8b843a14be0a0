#include "frmServis.h"

#include "HoverBold.h"
#include "ModifiedKeyGuard.h"
#include "ProgramDirectory.h"
#include "SafetyCopy.h"
#include "Schema.h"
#include "Sounds.h"
#include "clock/Clock.h"
#include "engine/DbError.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>

using engine::DbError;

Q_LOGGING_CATEGORY(lcServis, "kts.servis")

frmServis::frmServis(QWidget* parent)
    : QMainWindow(parent)
    , data1_(new engine::DataSource(this))
    , data2_(new engine::DataSource(this))
    , dataStkHar_(new engine::DataSource(this)) {
    setObjectName(QStringLiteral("frmServis"));
    setWindowTitle(QStringLiteral("Kelvora Teknik Servis Programı v1"));
    // The layout is fixed in twips; a compact font keeps every caption inside its control.
    QFont compact = font();
    compact.setPointSize(8);
    setFont(compact);
    setCentralWidget(new QWidget(this));
    buildMenu();
    buildRecordPanel();
    buildListPanel();
    buildBars();
    resize(ui::twipsToPixelsX(9570), ui::twipsToPixelsY(8340) + menuBar()->sizeHint().height());

    data1_->setObjectName(QStringLiteral("Data1"));
    data2_->setObjectName(QStringLiteral("Data2"));
    dataStkHar_->setObjectName(QStringLiteral("DataStkHar"));
    connect(data1_, &engine::DataSource::reposition, this, ui::handler(this, &frmServis::Data1_Reposition));

    const auto move = [this](void (engine::Recordset::*step)()) {
        return [this, step] {
            engine::Recordset* rs = data1_->recordset();
            if (!rs)
                return;
            ui::guarded(this, [&] { rs->followOutsideWrites(); }); // another desk may have added some
            if (rs->recordCount() == 0)
                return;
            // The arrows stop at the ends of the set instead of stepping off it.
            if ((step == &engine::Recordset::moveNext && rs->absolutePosition() == rs->recordCount() - 1) ||
                (step == &engine::Recordset::movePrevious && rs->absolutePosition() == 0))
                return;
            ui::guarded(this, [&] {
                try {
                    (rs->*step)();
                } catch (const DbError& e) {
                    // The record vanished under the arrow (deleted elsewhere): stay where we are.
                    qCInfo(lcServis) << "move passed over:" << e.description();
                }
            });
        };
    };
    connect(Data1Arrows[0], &QToolButton::clicked, this, move(&engine::Recordset::moveFirst));
    connect(Data1Arrows[1], &QToolButton::clicked, this, move(&engine::Recordset::movePrevious));
    connect(Data1Arrows[2], &QToolButton::clicked, this, move(&engine::Recordset::moveNext));
    connect(Data1Arrows[3], &QToolButton::clicked, this, move(&engine::Recordset::moveLast));

    connect(Liste, &QCheckBox::clicked, this, ui::handler(this, &frmServis::Liste_Click));
    connectListPanel();
    connectEntry();
    connectCustomerLookup();
    connectPrint();
    connectLabel();
    connectMaterials();
    connectBackup();
    connectNotify();
    connectHistory();
    connectAutoBackup();
    new HoverBold({cmdAdd, cmdDelete, cmdDuzeltme, cmdYazici, cmdClose}, this, HoverBold::Mode::Silent);
    new HoverBold({Evet_Hayir[0], Evet_Hayir[1]}, this, HoverBold::Mode::Silent);
    qApp->installEventFilter(new ModifiedKeyGuard(this));
    foldTimer_ = new QTimer(this);
    foldTimer_->setInterval(5);
    connect(foldTimer_, &QTimer::timeout, this, &frmServis::foldStep);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(Kapat, &QAction::triggered, this, &QWidget::close);
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, ui::handler(this, &frmServis::DurumSifirla));
}

frmServis::~frmServis() = default;

void frmServis::setPickersToNow() {
    const QDateTime now = wallclock::now();
    KayitTarih->setDate(now.date());
    TeslimTarih->setDate(now.date());
    KayitSaat->setTime(now.time());
    TeslimSaat->setTime(now.time());
}

bool frmServis::Form_Load() {
    firstActivation_ = true;
    setPickersToNow();
    DTPicker1->setDate(wallclock::today());
    DTPicker2->setDate(wallclock::today());
    Nerde->setCurrentIndex(0);
    Durumu->setCurrentIndex(0);
    const char* fields[] = {"ServisKayitNo", "Unvan", "Sehir", "ServisiYapan", "SeriNo", "SonDurum"};
    for (size_t i = 0; i < std::size(fields); ++i)
        AlanAdlari[i] = QString::fromLatin1(fields[i]);
    Combo1->setCurrentIndex(0);
    Combo1_Click();
    show();
    playSound(QStringLiteral("Giris.wav"));

    // A restore cut short by a crash is finished or undone before anything reads the files.
    if (const QString repaired = SafetyCopy::repairInterrupted(programDirectory()); !repaired.isEmpty())
        ui::MsgBox(this, repaired, ui::Icon::Exclamation);

    // Both files are checked before anything reads them, so a wrong or damaged file is named at
    // once instead of failing at the first save.
    QStringList readOnly;
    std::shared_ptr<engine::Database> checked[2];
    for (const QString& name : {schema::kServisFile, schema::kStokFile}) {
        const QString problem =
            schema::checkLiveDatabase(programFile(name), name, &checked[name == schema::kStokFile]);
        if (!problem.isEmpty()) {
            ui::MsgBox(this, problem + QStringLiteral("\n\nProgram kapanacak."), ui::Icon::Critical);
            return false;
        }
        const QString unwritable = schema::checkWritable(programFile(name));
        if (!unwritable.isEmpty())
            readOnly << unwritable;
    }
    if (!readOnly.isEmpty())
        ui::MsgBox(this,
                   readOnly.join(u'\n') +
                       QStringLiteral("\n\nKayıtlara bakılabilir, ancak değişiklikler kaydedilemez."),
                   ui::Icon::Exclamation);

    data1_->setDatabaseName(programFile(schema::kServisFile));
    data1_->setRecordSource(QStringLiteral("select * from [Servis]"));
    data2_->setDatabaseName(programFile(schema::kServisFile));
    data2_->setRecordSource(QStringLiteral("Cari"));
    dataStkHar_->setDatabaseName(programFile(schema::kStokFile));
    dataStkHar_->setRecordSource(QStringLiteral("StokHareket"));
    try {
        dataStkHar_->openDatabase();
        data1_->openDatabase();
        finishItemMoves(); // before any record shows its items
        engine::RefreshData(*data2_);
        engine::RefreshData(*data1_);
    } catch (const DbError& e) {
        ui::MsgBox(this,
                   QStringLiteral("Veritabanı açılamadı, program kapanacak.\n\n%1").arg(e.description()),
                   ui::Icon::Critical);
        return false;
    }
    Cursortxt->setFocus();
    return true;
}

void frmServis::Data1_Reposition() {
    if (Gerial->isChecked())
        return;
    QApplication::restoreOverrideCursor();
    showCurrentRecord();
}

// The panel shows the current record of Data1 with all its values, or nothing when there is none:
// after a move, a deletion, an abandoned entry or a filter that matches nothing alike.
void frmServis::showCurrentRecord() {
    shownKey_ = -1;
    const engine::Recordset* rs = data1_->recordset();
    if (!rs)
        return;
    Data1Caption->setText(
        QStringLiteral("Kayıt: %1 / %2").arg(rs->absolutePosition() + 1).arg(rs->recordCount()));
    if (rs->absolutePosition() < 0) {
        clearPanel();
        setPickersToNow();
        Nerde->setCurrentIndex(0);
        Durumu->setCurrentIndex(0);
        dataStkHar_->setRecordSource(QStringLiteral("Select * From StokHareket where ID=0"));
        try {
            engine::RefreshData(*dataStkHar_);
        } catch (const DbError& e) {
            qCInfo(lcServis) << "used items not cleared:" << e.description();
        }
        return;
    }
    try {
        // The notes count other records than this one, so it is taken as shown before they are read.
        shownKey_ = rs->bookmark();
        KayitGoster();
        if (KayitModu == kBrowsing)
            refreshHistoryLinks();
    } catch (const DbError& e) {
        // A row that vanished or cannot be read is not taken as shown, so nothing acts on it.
        shownKey_ = -1;
        qCInfo(lcServis) << "record not shown:" << e.description();
    }
    showNotice();
}

// True when Data1 stands on the record the panel shows, moving it back there if something else
// moved it; false when that record is gone or none is shown.
bool frmServis::shownRecordIsCurrent() {
    engine::Recordset* rs = data1_->recordset();
    if (!rs || shownKey_ < 0)
        return false;
    try {
        if (rs->absolutePosition() < 0 || rs->bookmark() != shownKey_)
            rs->setBookmark(shownKey_);
        return rs->bookmark() == shownKey_;
    } catch (const DbError&) {
        return false;
    }
}

QString frmServis::recordCodeText() const {
    return MaskEdBox1->displayText();
}

bool frmServis::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate)
        Form_Activate();
    return QMainWindow::event(e);
}

void frmServis::Form_Activate() {
    if (!firstActivation_)
        return;
    firstActivation_ = false;
    const QRect screen = this->screen()->geometry();
    move(screen.left() + (screen.width() - width()) / 2, screen.top() + (screen.height() - height()) / 2);
}

void frmServis::Liste_Click() {
    Frame2->setVisible(Liste->isChecked());
    Liste->raise();
    Cursortxt->setFocus();
}

QString frmServis::text1(int index) const {
    if (auto* line = qobject_cast<QLineEdit*>(Text1[index]))
        return line->text();
    return static_cast<QPlainTextEdit*>(Text1[index])->toPlainText();
}

void frmServis::setText1(int index, const QString& text) {
    if (auto* line = qobject_cast<QLineEdit*>(Text1[index]))
        line->setText(text);
    else
        static_cast<QPlainTextEdit*>(Text1[index])->setPlainText(text);
}

bool frmServis::eventFilter(QObject* watched, QEvent* e) {
    // The filters below act on input and focus only. Painting, layout and the like pass by
    // untouched: the guard's record of what is switched on costs a walk over every widget, and
    // they arrive by the dozen with each record shown.
    switch (e->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseMove:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        break;
    default:
        return QMainWindow::eventFilter(watched, e);
    }
    bool handled = false;
    ui::guarded(this, [&] {
        handled = listPanelFilter(watched, e) || customerFilter(watched, e) || materialsFilter(watched, e) ||
                  recordPanelFilter(watched, e);
    });
    return handled || QMainWindow::eventFilter(watched, e);
}

void frmServis::closeEvent(QCloseEvent* e) {
    if (folded_) {
        e->accept();
        return;
    }
    // The window closes once it has folded; requests that arrive while it folds or while the
    // question below is open change nothing.
    e->ignore();
    if (asking_ || closing_)
        return;
    if (KayitModu != kBrowsing) {
        asking_ = true;
        const ui::Answer answer =
            ui::MsgBox(this, QStringLiteral("Girilen bilgiler kaydedilmedi. Yine de çıkılsın mı?"),
                       ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::No);
        asking_ = false;
        if (answer != ui::Answer::Yes)
            return;
        ui::guarded(this, [this] { Vazgec_Click(); });
    }
    closing_ = true;
    // Taken while the window folds; the fold ends by waiting for it.
    startAutoBackup(false);
    QApplication::restoreOverrideCursor();
    playSound(QStringLiteral("Kapan.wav"));
    setMinimumSize(0, 0);
    foldTimer_->start();
}

// One step of the fold towards the centre, height first, then width; the window repaints
// between the steps. A step the platform refuses (the window stays as large) ends that phase.
void frmServis::foldStep() {
    using namespace ui;
    if (!foldingWidth_) {
        const int h = pixelsToTwipsY(height());
        if (h > 405) {
            resize(width(), twipsToPixelsY(h - 100));
            if (pixelsToTwipsY(height()) < h) {
                move(x(), y() + twipsToPixelsY(50));
                return;
            }
        }
        foldingWidth_ = true;
    }
    const int w = pixelsToTwipsX(width());
    if (w > 1735) {
        resize(twipsToPixelsX(w - 100), height());
        if (pixelsToTwipsX(width()) < w) {
            move(x() + twipsToPixelsX(50), y());
            return;
        }
    }
    foldTimer_->stop();
    finishAutoBackups();
    folded_ = true;
    close();
}
