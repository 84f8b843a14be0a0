// Entering, correcting, abandoning and deleting a service record; the record panel's keyboard.
#include "ServisFields.h"
#include "frmServis.h"

#include "AutoCapitalizeFilter.h"
#include "CodeReservation.h"
#include "ProgramDirectory.h"
#include "RecordCode.h"
#include "Settings.h"
#include "Sounds.h"
#include "UsedItems.h"
#include "WriteConflict.h"
#include "engine/DbError.h"
#include "engine/Text.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimeEdit>
#include <QTimer>

using engine::DbError;

namespace {

// Key codes as the record panel remembers them in SonTus: the old platform's virtual keys.
int virtualKey(const QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Backspace:
        return frmServis::kKeyBackspace;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return frmServis::kKeyEnter;
    case Qt::Key_Delete:
        return frmServis::kKeyDelete;
    default:
        return e->key() & 0xFFFF;
    }
}

bool isEnter(const QKeyEvent* e) {
    return e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
}

// The fields of a service record as the panel names them, for the question about a record that
// was changed at another desk meanwhile.
QString fieldLabel(const QString& field) {
    static const QHash<QString, QString> labels{
        {QStringLiteral("serviskayitno"), QStringLiteral("Kayıt Kodu")},
        {QStringLiteral("unvan"), QStringLiteral("Ünvan")},
        {QStringLiteral("adres1"), QStringLiteral("Adres")},
        {QStringLiteral("adres2"), QStringLiteral("Adres (2. satır)")},
        {QStringLiteral("sehir"), QStringLiteral("Şehir")},
        {QStringLiteral("telefon"), QStringLiteral("Telefon")},
        {QStringLiteral("vergida"), QStringLiteral("Vergi Dairesi")},
        {QStringLiteral("vergino"), QStringLiteral("Vergi No")},
        {QStringLiteral("ilgili"), QStringLiteral("İlgili")},
        {QStringLiteral("sistem"), QStringLiteral("Sistem")},
        {QStringLiteral("markamodel"), QStringLiteral("Marka Model")},
        {QStringLiteral("serino"), QStringLiteral("Seri No")},
        {QStringLiteral("servisiyapan"), QStringLiteral("Servisi Yapan")},
        {QStringLiteral("teslimalan"), QStringLiteral("Teslim Alan")},
        {QStringLiteral("tahilatbilgisi"), QStringLiteral("Tahsilat Bilgisi")},
        {QStringLiteral("basvurusebebi"), QStringLiteral("Başvuru Sebebi")},
        {QStringLiteral("yapilanis"), QStringLiteral("Yapılan İş")},
        {QStringLiteral("sonuc"), QStringLiteral("Sonuç")},
        {QStringLiteral("email"), QStringLiteral("E-posta")},
        {QStringLiteral("kayittarih"), QStringLiteral("Kayıt Tarihi")},
        {QStringLiteral("kayitsaat"), QStringLiteral("Kayıt Saati")},
        {QStringLiteral("teslimtarihi"), QStringLiteral("Teslim Tarihi")},
        {QStringLiteral("teslimsaati"), QStringLiteral("Teslim Saati")},
        {QStringLiteral("nerde"), QStringLiteral("Nerede")},
        {QStringLiteral("sondurum"), QStringLiteral("Durumu")},
    };
    return labels.value(field.toLower(), field);
}

QString valueText(const QString& field, const QVariant& v) {
    const QString f = field.toLower();
    const auto entry = [&](const auto& entries) {
        bool ok = false;
        const int i = v.toInt(&ok);
        return ok && i >= 0 && i < int(std::size(entries)) ? entries[i] : v.toString();
    };
    if (f == u"nerde")
        return entry(kNerdeEntries);
    if (f == u"sondurum")
        return entry(kDurumEntries);
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(QStringLiteral("dd.MM.yyyy"));
    if (v.typeId() == QMetaType::QTime)
        return v.toTime().toString(QStringLiteral("HH:mm"));
    return v.toString();
}

QVector<ConflictingField> conflictingFields(const engine::Recordset& rs) {
    QVector<ConflictingField> out;
    for (const engine::Recordset::Conflict& c : rs.conflicts()) {
        const QString theirs = valueText(c.field, c.theirs);
        const QString mine = valueText(c.field, c.mine);
        if (theirs != mine)
            out.push_back({fieldLabel(c.field), theirs, mine});
    }
    return out;
}

} // namespace

void frmServis::clearPanel() {
    MaskEdBox1->setText(QString());
    for (int i = 0; i < kTextBoxes; ++i)
        setText1(i, QString());
}

// While a record is open nothing may move Data1 away from it: a move would drop what was typed.
void frmServis::openPanel(int mode) {
    Data1Bar->setEnabled(false);
    Frame2->setEnabled(false);
    Frame1->setEnabled(true);
    Picture1->hide();
    Picture2->show();
    KayitModu = mode;
}

void frmServis::closePanel() {
    Picture2->hide();
    Picture1->show();
    Frame1->setEnabled(false);
    Frame2->setEnabled(true);
    Data1Bar->setEnabled(true);
    CariList->hide();
    KayitModu = kBrowsing;
    showCurrentRecord();
    Cursortxt->setFocus();
}

// The next code after DataNo that no stored record carries and, on a server, no other desk holds
// for a record being entered: a DataNo left behind (by another tool, a failed settings write or a
// hand edit) must never propose a code already in use.
QString frmServis::proposeFreeCode() {
    engine::Database& db = *data1_->database();
    releaseReservedCode();
    reservedCode_ = recordcode::proposeFree(
        settings::dataNo(), [&](const QString& code) { return !reservation::holdFree(db, code); });
    return reservedCode_;
}

void frmServis::releaseReservedCode() {
    try {
        reservation::release(*data1_->database(), std::exchange(reservedCode_, QString()));
    } catch (const DbError& e) {
        // The hold ends with the connection anyway.
        qCInfo(lcServis) << "code not released:" << e.description();
    }
}

void frmServis::cmdAdd_Click() {
    engine::Recordset* rs = data1_->recordset();
    if (!rs)
        return;
    QString code;
    try {
        code = proposeFreeCode();
    } catch (const DbError& e) {
        ui::MsgBox(this, QStringLiteral("Yeni kayıt başlatılamadı.\n\n%1").arg(e.description()),
                   ui::Icon::Critical);
        return;
    }
    MaskEdBox1->setText(code);
    for (int i = 0; i < kTextBoxes; ++i)
        setText1(i, QString());
    setPickersToNow();
    Nerde->setCurrentIndex(0);
    Durumu->setCurrentIndex(0);
    rs->addNew();
    entryItems_.clear();
    openPanel(kAdding);
    dataStkHar_->setRecordSource(QStringLiteral("Select * From StokHareket where KayitNo=") +
                                 engine::sqlQuote(code));
    try {
        engine::RefreshData(*dataStkHar_);
    } catch (const DbError& e) {
        // The grid stays empty; the record itself can still be entered.
        qCInfo(lcServis) << "used items not shown:" << e.description();
    }
    MaskEdBox1->setFocus();
}

void frmServis::cmdDuzeltme_Click() {
    engine::Recordset* rs = data1_->recordset();
    if (!rs || rs->recordCount() < 1 || !shownRecordIsCurrent()) {
        Cursortxt->setFocus();
        return;
    }
    try {
        rs->edit();
    } catch (const DbError&) {
        Cursortxt->setFocus(); // no current record to change
        return;
    }
    entryItems_.clear();
    openPanel(kChanging);
    Durumu->setFocus();
}

// Writes the open record. The entry stays open with everything typed whenever the write is
// refused, so the user can mend the cause and confirm again.
void frmServis::Tamam_Click() {
    saveEntry(engine::Recordset::OnConflict::Refuse);
}

void frmServis::saveEntry(engine::Recordset::OnConflict how) {
    const int savedMode = KayitModu;
    const bool wasReady =
        savedMode == kChanging && data1_->rs().value(QStringLiteral("SonDurum")).toInt() == kStatusReady;
    if (MaskEdBox1->displayText().trimmed() == recordcode::kEmpty)
        KayitModu = kNoCode;
    else if (text1(0).trimmed().isEmpty())
        KayitModu = kNoTitle;

    const auto stop = [&](const QString& text, ui::Icon icon, QWidget* focus) {
        ui::MsgBox(this, text, icon);
        KayitModu = savedMode;
        focus->setFocus();
    };
    switch (KayitModu) {
    case kAdding:
    case kChanging: {
        engine::Recordset& rs = data1_->rs();
        const QString oldCode =
            KayitModu == kChanging ? rs.value(QStringLiteral("ServisKayitNo")).toString() : QString();
        const QString newCode = MaskEdBox1->displayText();
        bool itemsMove = false;
        try {
            // The items handed over during the entry, and on a change every item of the old code,
            // follow the code the record is saved under. The move is written down with the record
            // and carried out in Stok.mdb after it (see usedItems).
            const QVector<usedItems::Move> moves =
                usedItems::planMove(*dataStkHar_->database(), entryItems_, oldCode, newCode);
            // The customer, the record and its items' move are written together or not at all.
            engine::Database::Transaction transaction(*data1_->database());
            try {
                KayitYaz();
                rs.update(how);
                usedItems::recordMove(*data1_->database(), moves, newCode);
                transaction.commit();
                itemsMove = !moves.isEmpty();
                // The file's triggers took the record's notifications to its new code.
                if (!oldCode.isEmpty() && oldCode != newCode)
                    data1_->database()->changed(QStringLiteral("Bildirim"));
            } catch (const DbError&) {
                data1_->database()->changed();
                engine::RefreshData(*data2_); // forget the customer that was rolled back
                throw;
            }
        } catch (const DbError& e) {
            if (e.number() == engine::ErrWriteConflict) {
                // Saved at another desk since the change began: nothing is overwritten unless
                // the user says so; otherwise the other desk's record is shown.
                KayitModu = savedMode;
                const QVector<ConflictingField> fields = conflictingFields(rs);
                if (fields.isEmpty() || keepMine(this, QStringLiteral("Bu kayıt"), fields))
                    return saveEntry(engine::Recordset::OnConflict::KeepMine);
                return Vazgec_Click();
            }
            if (e.number() == engine::ErrDuplicateKey)
                stop(KayitModu == kAdding ? QStringLiteral("Dikkat bu Kod kayıtlı.")
                                          : QStringLiteral("Dikkat bu kod kayıtlı."),
                     ui::Icon::Exclamation, MaskEdBox1);
            else
                stop(QStringLiteral("Kayıt yazılamadı; girilen bilgiler ekranda duruyor.\n\n%1")
                         .arg(e.description()),
                     ui::Icon::Critical, MaskEdBox1);
            return;
        }
        // A move left over from before waits for the next start, as its message said.
        if (itemsMove)
            finishItemMoves();
        entryItems_.clear();
        releaseReservedCode();
        if (KayitModu == kAdding) {
            const QString code = MaskEdBox1->displayText();
            if (rs.recordCount() > 0)
                rs.moveLast();
            settings::setDataNo(code);
        }
        break;
    }
    case kNoCode:
        return stop(QStringLiteral("Kodu olmayan kayıt kabul edilmez."), ui::Icon::Critical, MaskEdBox1);
    case kNoTitle:
        return stop(QStringLiteral("Ünvanı olmayan kayıt kabul edilmez."), ui::Icon::Critical, Text1[0]);
    }
    const bool becameReady = !wasReady && Durumu->currentIndex() == kStatusReady;
    const QString savedCode = MaskEdBox1->displayText();
    closePanel();
    offerNotice(savedCode, becameReady);
}

void frmServis::Vazgec_Click() {
    // A change abandoned after a refused write must not keep the refused values either.
    if (engine::Recordset* rs = data1_->recordset(); rs && rs->editMode() != engine::Recordset::EditNone)
        rs->cancelUpdate();
    // The items handed over during the entry follow the record: gone with a new record never
    // saved, back under the stored code of a record whose change was abandoned.
    try {
        if (KayitModu == kAdding)
            usedItems::removeItems(*dataStkHar_->database(), entryItems_);
        else if (KayitModu == kChanging && shownRecordIsCurrent())
            usedItems::giveItems(*dataStkHar_->database(), entryItems_,
                                 data1_->rs().value(QStringLiteral("ServisKayitNo")).toString());
    } catch (const DbError& e) {
        ui::MsgBox(this,
                   QStringLiteral("Bu kayda eklenen malzemeler geri alınamadı.\n\n%1").arg(e.description()),
                   ui::Icon::Critical);
    }
    entryItems_.clear();
    releaseReservedCode();
    closePanel();
}

// Carries out a move of used items that was written down with its record but not yet done:
// the program stopped between the two files, or Stok.mdb refused the write.
void frmServis::finishItemMoves() {
    try {
        usedItems::finishMoves(*data1_->database(), *dataStkHar_->database());
    } catch (const DbError& e) {
        ui::MsgBox(this,
                   QStringLiteral("Kaydın malzemeleri yeni koduna taşınamadı; program bir sonraki "
                                  "açılışta yeniden deneyecek.\n\n%1")
                       .arg(e.description()),
                   ui::Icon::Critical);
    }
}

void frmServis::cmdDelete_Click() {
    engine::Recordset* rs = data1_->recordset();
    if (rs && rs->recordCount() >= 1 && shownRecordIsCurrent()) {
        const QString question =
            QStringLiteral("Kayıt Kodu : %1\nÜnvanı       : %2\n\nBu Kayıt Dosyadan Silinsinmi ?")
                .arg(MaskEdBox1->displayText(), text1(0).trimmed());
        if (ui::MsgBox(this, question, ui::Icon::Exclamation, ui::Buttons::YesNo, ui::Answer::No) ==
            ui::Answer::Yes) {
            try {
                rs->deleteRecord();
                engine::RefreshData(*data1_); // shows the record that is now current
            } catch (const DbError& e) {
                ui::MsgBox(this, QStringLiteral("Kayıt silinemedi.\n\n%1").arg(e.description()),
                           ui::Icon::Critical);
                showCurrentRecord();
            }
        }
    }
    Cursortxt->setFocus();
}

// Every deletion of a service record takes its used items with it, before the record goes.
void frmServis::Data1_Validate(engine::DataSource::Action action) {
    if (action != engine::DataSource::Action::Delete)
        return;
    // A record whose items cannot be removed stays, items and all: the refusal stops the delete.
    try {
        const QString code = data1_->rs().value(QStringLiteral("ServisKayitNo")).toString();
        dataStkHar_->openDatabase();
        // The grid follows with the record shown after the delete, or again if it is refused.
        dataStkHar_->database()->execute(QStringLiteral("DELETE FROM StokHareket Where KayitNo=?"), {code});
    } catch (const std::exception& e) {
        data1_->rs().refuseDelete(QStringLiteral("Kullanılan malzemeler silinemedi; kayıt silinmedi.\n\n%1")
                                      .arg(QString::fromUtf8(e.what())));
        return;
    }
    playSound(programFile(QStringLiteral("Recycle.wav")));
}

void frmServis::connectEntry() {
    connect(cmdAdd, &QPushButton::clicked, this, ui::handler(this, &frmServis::cmdAdd_Click));
    connect(cmdDuzeltme, &QPushButton::clicked, this, ui::handler(this, &frmServis::cmdDuzeltme_Click));
    connect(cmdDelete, &QPushButton::clicked, this, ui::handler(this, &frmServis::cmdDelete_Click));
    connect(Evet_Hayir[0], &QPushButton::clicked, this, ui::handler(this, &frmServis::Tamam_Click));
    connect(Evet_Hayir[1], &QPushButton::clicked, this, ui::handler(this, &frmServis::Vazgec_Click));
    connect(data1_, &engine::DataSource::validate, this, ui::handler(this, &frmServis::Data1_Validate));

    MaskEdBox1->installEventFilter(this);
    for (QWidget* w :
         std::initializer_list<QWidget*>{KayitTarih, KayitSaat, TeslimTarih, TeslimSaat, Nerde, Durumu})
        w->installEventFilter(this);
    for (int i = 0; i < kTextBoxes; ++i) {
        if (i != kEmailBox) {
            if (auto* line = qobject_cast<QLineEdit*>(Text1[i]))
                AutoCapitalizeFilter::install(line);
            else
                AutoCapitalizeFilter::install(static_cast<QPlainTextEdit*>(Text1[i]));
        }
        // Installed after the key filter, so it sees every key first.
        Text1[i]->installEventFilter(this);
        if (auto* text = qobject_cast<QPlainTextEdit*>(Text1[i]))
            connect(text, &QPlainTextEdit::textChanged, this, [this, i, text] { limitLongText(i, text); });
    }
}

// The long texts hold what their fields can take, like the single-line boxes.
void frmServis::limitLongText(int box, QPlainTextEdit* text) {
    const int limit = kTextFields[box].limit;
    if (text->toPlainText().size() <= limit)
        return;
    QTextCursor cursor = text->textCursor();
    const int position = std::min(cursor.position(), limit);
    text->setPlainText(text->toPlainText().left(limit));
    cursor = text->textCursor();
    cursor.setPosition(position);
    text->setTextCursor(cursor);
}

bool frmServis::recordPanelFilter(QObject* watched, QEvent* e) {
    if (watched == MaskEdBox1) {
        if (e->type() == QEvent::FocusIn)
            QTimer::singleShot(0, MaskEdBox1, &QLineEdit::selectAll);
        else if (e->type() == QEvent::FocusOut && recordcode::hasDigit(MaskEdBox1->displayText()))
            // A box left empty stays empty, so that the code is asked for instead of 00-0000-00.
            MaskEdBox1->setText(recordcode::complete(MaskEdBox1->displayText()));
        else if (e->type() == QEvent::KeyPress && isEnter(static_cast<QKeyEvent*>(e))) {
            Text1[0]->setFocus();
            return true;
        }
        return false;
    }
    if (e->type() != QEvent::KeyPress || watched->parent() != Frame1)
        return false;
    auto* key = static_cast<QKeyEvent*>(e);
    const int box = static_cast<int>(std::find(Text1.begin(), Text1.end(), watched) - Text1.begin());
    if (box < kTextBoxes)
        SonTus = virtualKey(key);
    if (!isEnter(key) || (box >= kFirstLineBreakBox && box <= kLastLineBreakBox))
        return false;
    focusNextChild();
    return true;
}
