#include "YazSec.h"

#include "HoverBold.h"
#include "PrinterConfirmed.h"
#include "Settings.h"
#include "print/Printers.h"
#include "ui/Dialogs.h"
#include "ui/Twips.h"

#include <QComboBox>
#include <QPushButton>

namespace printing {

YazSec::YazSec(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    // A fixed little question: a title and a close box, nothing to minimise or maximise.
    setObjectName(QStringLiteral("YazSec"));
    setWindowTitle(QStringLiteral(" Yazıcı Seçimi"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::WindowModal);
    setFixedSize(ui::twipsToPixelsX(4620), ui::twipsToPixelsY(1320));
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setGeometry(ui::twipsRect(120, 120, 4380, 315));
    const char* captions[] = {"&Vazgeç", "&Tamam"};
    for (int i = 0; i < 2; ++i) {
        YazCmd[i] = new QPushButton(QString::fromUtf8(captions[i]), this);
        YazCmd[i]->setObjectName(QStringLiteral("YazCmd_%1").arg(i));
        YazCmd[i]->setAutoDefault(false);
        YazCmd[i]->setGeometry(ui::twipsRect(120 + i * 2220, 600, 2160, 495));
    }
    YazCmd[1]->setDefault(true);
    new HoverBold({YazCmd[0], YazCmd[1]}, this, HoverBold::Mode::Clicking);
    connect(YazCmd[0], &QPushButton::clicked, this, &QDialog::reject);
    connect(YazCmd[1], &QPushButton::clicked, this, &YazSec::Tamam_Click);
}

bool YazSec::Form_Load() {
    PrinterConfirmed = false;
    Combo1->clear();
    const QStringList printers = print::installedPrinters();
    Combo1->addItems(printers);
    if (printers.isEmpty()) {
        ui::MsgBox(parentWidget(), QStringLiteral("Sistemde Yazıcı Bulunamadı."), ui::Icon::None);
        done(Rejected);
        return false;
    }
    Combo1->setCurrentText(print::currentPrinter());
    const QString prn = settings::prn();
    if (!prn.isEmpty()) {
        // Exact: two queues differing only in letter case are two printers.
        const int at = Combo1->findText(prn, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (at >= 0)
            Combo1->setCurrentIndex(at);
    }
    return true;
}

void YazSec::Tamam_Click() {
    const QString chosen = Combo1->currentText();
    const QStringList installed = print::installedPrinters();
    // A name no queue has keeps the current printer while that one is there; once it is gone too,
    // a failure is told under the name the box shows, not under one the user no longer sees.
    if (installed.contains(chosen) || !installed.contains(print::currentPrinter()))
        print::setCurrentPrinter(chosen);
    PrinterConfirmed = true;
    accept();
}

// Every way out (the buttons, Escape, the close box, no printer) keeps the chosen name.
void YazSec::done(int result) {
    if (!stored_) {
        stored_ = true;
        settings::setPrn(Combo1->currentText());
    }
    QDialog::done(result);
}

} // namespace printing
