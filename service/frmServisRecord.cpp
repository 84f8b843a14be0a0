// Moving a service record between the current record of Data1 and the record panel.
#include "ServisFields.h"
#include "StatusReset.h"
#include "frmServis.h"

#include "clock/Clock.h"
#include "engine/DbError.h"
#include "engine/Text.h"
#include "ui/Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QTimeEdit>

namespace {

// A record may hold nothing in any field (rows written by other tools, or before a field
// existed). Nothing shows as empty text, the first entry of a list, or the current moment, so a
// record never shows a previous record's values.
int listIndex(const QVariant& v, const QComboBox* list) {
    bool ok = false;
    const int i = v.toInt(&ok);
    return ok && i >= 0 && i < list->count() ? i : 0;
}

QDate dateOr(const QVariant& v) {
    return v.typeId() == QMetaType::QDate ? v.toDate() : wallclock::today();
}
QTime timeOr(const QVariant& v) {
    return v.typeId() == QMetaType::QTime ? v.toTime() : wallclock::now().time();
}

} // namespace

void frmServis::KayitGoster() {
    const engine::Recordset& rs = data1_->rs();
    const QString code = rs.value(QStringLiteral("ServisKayitNo")).toString();
    {
        // The note follows once the whole record is in the panel (showCurrentRecord).
        const QSignalBlocker quiet(MaskEdBox1);
        MaskEdBox1->setText(code);
    }
    KayitTarih->setDate(dateOr(rs.value(QStringLiteral("KayitTarih"))));
    KayitSaat->setTime(timeOr(rs.value(QStringLiteral("KayitSaat"))));
    TeslimTarih->setDate(dateOr(rs.value(QStringLiteral("TeslimTarihi"))));
    TeslimSaat->setTime(timeOr(rs.value(QStringLiteral("TeslimSaati"))));
    Nerde->setCurrentIndex(listIndex(rs.value(QStringLiteral("Nerde")), Nerde));
    Durumu->setCurrentIndex(listIndex(rs.value(QStringLiteral("SonDurum")), Durumu));
    for (const TextField& f : kTextFields)
        setText1(f.box, rs.value(QString::fromLatin1(f.field)).toString());

    dataStkHar_->setRecordSource(QStringLiteral("Select * From StokHareket where KayitNo=") +
                                 engine::sqlQuote(code));
    const auto showItems = [this] { engine::RefreshData(*dataStkHar_); };
    // An entry's notes follow its typing; the record it leaves behind is shown again as it closes.
    if (KayitModu == kBrowsing)
        readRecordNotes(showItems);
    else
        showItems();
}

void frmServis::KayitYaz() {
    engine::Recordset& rs = data1_->rs();
    const auto text = [&](const char* field, int box) {
        rs.setValue(QString::fromLatin1(field), text1(box));
    };

    rs.setValue(QStringLiteral("ServisKayitNo"), MaskEdBox1->displayText());
    for (int box = 0; box <= 6; ++box)
        text(kTextFields[box].field, box);
    rs.setValue(QStringLiteral("KayitTarih"), KayitTarih->date());
    rs.setValue(QStringLiteral("KayitSaat"), KayitSaat->time());
    for (int box = 7; box <= 10; ++box)
        text(kTextFields[box].field, box);
    rs.setValue(QStringLiteral("Nerde"), Nerde->currentIndex());
    rs.setValue(QStringLiteral("SonDurum"), Durumu->currentIndex());
    text("ServisiYapan", 11);
    rs.setValue(QStringLiteral("TeslimTarihi"), TeslimTarih->date());
    rs.setValue(QStringLiteral("TeslimSaati"), TeslimSaat->time());
    for (int box = 12; box <= 17; ++box)
        text(kTextFields[box].field, box);
    addCustomer();
}

// The record's customer goes into the customer table unless one of that title is there.
void frmServis::addCustomer() {
    const engine::Recordset& rs = data1_->rs();
    const auto field = [&](const char* name) { return rs.value(QString::fromLatin1(name)).toString(); };
    // A record without a title names no customer.
    const QString title = field("Unvan");
    if (title.trimmed().isEmpty())
        return;
    engine::Recordset& cari = data2_->rs();
    cari.findFirst(QStringLiteral("Unvan=") + engine::sqlQuote(title));
    if (!cari.noMatch())
        return;
    cari.addNew();
    for (const char* name : kCustomerFields)
        cari.setValue(QString::fromLatin1(name), field(name));
    cari.setValue(QStringLiteral("Email"), field("Email"));
    cari.update();
}

void frmServis::DurumSifirla() {
    // An entry being typed would be thrown away by the reset; it waits until the entry is closed.
    if (KayitModu != kBrowsing)
        return;
    try {
        // The reset works on every record and shows them all after it: the filter is off then.
        if (Check1->isChecked()) {
            const QSignalBlocker quiet(Check1);
            Check1->setChecked(false);
            Check1->setText(QStringLiteral("Filitre Yok"));
        }
        data1_->setRecordSource(QStringLiteral("Servis"));
        data1_->refresh();
        const std::unique_ptr<ui::Progress> progress = ui::dialogs().progress(this, ui::kProgramTitle);
        resetAllStatuses(*data1_->database(), [&](int done, int total) {
            return progress->update(QStringLiteral("Servis kayıtlarının durumu \"Bekliyor\" yapılıyor..."),
                                    done, total);
        });
        engine::RefreshData(*data2_);
        data1_->refresh();
    } catch (const engine::DbError& e) {
        ui::MsgBox(
            this,
            QStringLiteral("Durumlar sıfırlanamadı; hiçbir kayıt değişmedi.\n\n%1").arg(e.description()),
            ui::Icon::Critical);
    }
}
