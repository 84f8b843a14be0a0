// Telling the customer that the device is ready: "Araçlar" → "Müşteriye Haber Ver...", the
// question after a record is saved as "Tamam", and the note of the last notification on the panel.
#include "ServisFields.h"
#include "frmServis.h"

#include "Notifier.h"
#include "engine/DbError.h"
#include "frmBildirim.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"
#include "ui/Twips.h"

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

void frmServis::connectNotify() {
    notifier_ = new Notifier(*data1_, this);
    HaberVer = Araclar->addAction(QStringLiteral("Müşteriye Haber Ver..."));
    HaberVer->setObjectName(QStringLiteral("HaberVer"));
    HaberVer->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    connect(HaberVer, &QAction::triggered, this, ui::handler(this, &frmServis::HaberVer_Click));

    // Above the code row, where the panel has room for one line.
    Bildirim = new QLabel(Frame1);
    Bildirim->setObjectName(QStringLiteral("Bildirim"));
    Bildirim->setGeometry(ui::twipsRect(120, 15, 4815, 225));
    Bildirim->hide();
    connect(MaskEdBox1, &QLineEdit::textChanged, this, &frmServis::showNotice);
    connect(notifier_, &Notifier::sent, this, &frmServis::showNotice);
    connect(notifier_, &Notifier::failed, this,
            [this](const QString& text) { ui::MsgBox(this, text, ui::Icon::Critical); });
}

// The newest notification sent for the code the panel shows; nothing when none was sent. Follows
// the code box, and is read again whenever a record is shown.
void frmServis::showNotice() {
    const std::shared_ptr<engine::Database> db = data1_->database();
    const QString code = recordCodeText();
    if (noticeKnown(db, code))
        return;
    std::optional<notify::Sent> sent;
    if (db) {
        try {
            sent = notify::lastSent(*db, code);
        } catch (const engine::DbError& e) {
            // A file that could not take the table in place (read-only) has no notifications.
            qCInfo(lcServis) << "notifications not read:" << e.description();
        }
    }
    setNotice(db, code, sent);
}

// The code box and the record shown both ask, one after the other: the note is read once for a
// code and a state of the notifications.
bool frmServis::noticeKnown(const std::shared_ptr<engine::Database>& db, const QString& code) const {
    return db && noticeRead_.db.lock() == db && noticeRead_.code == code &&
           noticeRead_.version == db->knownVersion(QStringLiteral("Bildirim"));
}

void frmServis::setNotice(const std::shared_ptr<engine::Database>& db, const QString& code,
                          const std::optional<notify::Sent>& sent) {
    noticeRead_ = {db, code, db ? db->knownVersion(QStringLiteral("Bildirim")) : 0};
    const QString text = sent ? notify::caption(*sent) : QString();
    Bildirim->setText(text);
    Bildirim->setVisible(!text.isEmpty());
}

void frmServis::HaberVer_Click() {
    if (KayitModu != kBrowsing || !shownRecordIsCurrent())
        return;
    // The record's own values: the panel's boxes may show less than an imported record holds.
    const engine::Recordset& rs = data1_->rs();
    const auto field = [&rs](const char* name) { return rs.value(QString::fromLatin1(name)).toString(); };
    const frmBildirim::Recipient recipient{
        {field("ServisKayitNo"), field("Unvan"), field("Sistem"), field("MarkaModel"), field("Sonuc")},
        field("Email"),
        field("Telefon")};
    auto* window = new frmBildirim(recipient, *this, *notifier_, this);
    window->setWindowModality(Qt::WindowModal);
    window->show();
}

// Asked once, right after the save that made the record `code` "Tamam", when the panel shows it.
void frmServis::offerNotice(const QString& code, bool becameReady) {
    if (!becameReady || recordCodeText() != code)
        return;
    if (ui::MsgBox(this, QStringLiteral("Müşteriye cihazın hazır olduğu bildirilsin mi?"), ui::Icon::Question,
                   ui::Buttons::YesNo, ui::Answer::No) == ui::Answer::Yes)
        HaberVer_Click();
}
