// The service window's side of the device label: "Araçlar" → "Etiket Yazdır" labels the shown
// record, with the values the record panel shows.
#include "frmServis.h"

#include "Etiket.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"

#include <QAction>
#include <QDateEdit>
#include <QMenu>

void frmServis::connectLabel() {
    EtiketYazdir = Araclar->addAction(QStringLiteral("Etiket Yazdır"));
    EtiketYazdir->setObjectName(QStringLiteral("EtiketYazdir"));
    EtiketYazdir->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(EtiketYazdir, &QAction::triggered, this, ui::handler(this, &frmServis::EtiketYazdir_Click));
}

void frmServis::EtiketYazdir_Click() {
    // A label names a saved record: a code still being typed may never be saved.
    if (KayitModu != kBrowsing) {
        ui::MsgBox(this, QStringLiteral("Etiket kaydedilmiş kayıt için yazdırılır; önce kaydı tamamlayın."),
                   ui::Icon::Information);
        return;
    }
    if (!shownRecordIsCurrent())
        return;
    const QString device = QStringList{text1(8).trimmed(), text1(9).trimmed()}.join(u' ').trimmed();
    const printing::LabelFields fields{
        recordCodeText(), text1(0),  text1(4),
        device,           text1(10), KayitTarih->date().toString(QStringLiteral("dd.MM.yyyy")),
        text1(14)};
    auto* window = new printing::Etiket(fields, this);
    window->show();
}
