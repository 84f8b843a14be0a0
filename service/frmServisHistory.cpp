// The history of the shown device and customer, and "Kayda Git": a record shown from either goes
// the way a move of the navigator goes, so that the panel, Data1 and the counter agree.
#include "frmServis.h"

#include "History.h"
#include "HistoryLink.h"
#include "engine/DbError.h"
#include "frmGecmis.h"
#include "frmKaydaGit.h"
#include "ui/Guard.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <exception>

using engine::DbError;

namespace {

const QString kEntryOpen = QStringLiteral("Bir kayıt girilirken ya da düzeltilirken başka kayda geçilemez; "
                                          "önce kaydı \"Tamam\" ya da \"Vazgeç\" ile "
                                          "kapatın.");

} // namespace

void frmServis::connectHistory() {
    const auto counter = [this](history::Kind kind) {
        return [this, kind](const QString& text) {
            const std::shared_ptr<engine::Database> db = data1_->database();
            if (!db)
                return 0;
            try {
                return historyCounter_.count(db, kind, historyTexts(kind, text));
            } catch (const DbError& e) {
                qCInfo(lcServis) << "history not counted:" << e.description();
                return 0;
            }
        };
    };
    const auto link = [&](int box, history::Kind kind, const QKeySequence& key) {
        auto* l =
            new HistoryLink(static_cast<QLineEdit*>(Text1[box]), centralWidget(), kind, counter(kind), key);
        connect(l, &HistoryLink::activated, this, [this, l] {
            ui::guarded(this, [&] {
                openHistory(l->kind(), historyText(l->kind(), l->box()->text()), historyExcept());
            });
        });
        return l;
    };
    seriNoLink_ = link(10, history::Kind::Device, QKeySequence(Qt::CTRL | Qt::Key_H));
    unvanLink_ = link(0, history::Kind::Customer, QKeySequence(Qt::CTRL | Qt::Key_M));

    KaydaGit = Araclar->addAction(QStringLiteral("Kayda Git"));
    KaydaGit->setObjectName(QStringLiteral("KaydaGit"));
    KaydaGit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
    connect(KaydaGit, &QAction::triggered, this, ui::handler(this, &frmServis::KaydaGit_Click));
}

// While browsing, the shown record's own value: a box holds only what its limit lets it show, and
// an imported title may be longer. While typing, what is typed.
QString frmServis::historyText(history::Kind kind, const QString& boxText) const {
    if (KayitModu != kBrowsing || shownKey_ < 0)
        return boxText;
    try {
        engine::Recordset* rs = data1_->recordset();
        if (rs && rs->bookmark() == shownKey_)
            return rs->value(history::fieldOf(kind)).toString();
    } catch (const DbError&) {
        // No row under the bookmark: the box's text is all there is.
    }
    return boxText;
}

// The record being entered is not stored yet; the one being changed or shown is not another.
qint64 frmServis::historyExcept() const {
    return KayitModu == kAdding ? -1 : shownKey_;
}

// What both notes count: `boxText` for the note of `kind`, the other box as it stands.
history::Counter::Texts frmServis::historyTexts(history::Kind kind, const QString& boxText) const {
    const auto shown = [&](history::Kind k, int box) {
        return historyText(k, k == kind ? boxText : text1(box));
    };
    return {shown(history::Kind::Device, 10), shown(history::Kind::Customer, 0), historyExcept()};
}

// A record shown asks for its last notification and both history counts: read together, on a
// server in one round trip, and while it travels `alongside` reads the record's used items on the
// other connection. Each note then finds its answer read.
void frmServis::readRecordNotes(const std::function<void()>& alongside) {
    bool ran = false;
    std::exception_ptr failed;
    const auto meanwhile = [&] {
        ran = true;
        try {
            alongside();
        } catch (...) {
            failed = std::current_exception(); // raised as its own, not as the notes'
        }
    };
    const std::shared_ptr<engine::Database> db = data1_->database();
    const QString code = recordCodeText();
    try {
        if (db && !noticeKnown(db, code) &&
            historyCounter_.stale(db, historyTexts(history::Kind::Device, text1(10)))) {
            engine::Statement notice = db->prepare(notify::lastSentSql());
            notice.bind(1, code);
            engine::Statement counts = db->prepare(history::Counter::sql(db->dialect()));
            historyCounter_.bind(counts);
            db->runTogether({&notice, &counts}, meanwhile);
            historyCounter_.take(counts);
            setNotice(db, code, notify::sentFrom(notice));
        }
    } catch (const DbError& e) {
        // Each note reads on its own then, and says why it cannot.
        qCInfo(lcServis) << "record notes not read together:" << e.description();
    }
    if (!ran)
        alongside();
    else if (failed)
        std::rethrow_exception(failed);
}

void frmServis::refreshHistoryLinks() {
    seriNoLink_->refresh();
    unvanLink_->refresh();
}

void frmServis::openHistory(history::Kind kind, const QString& text, qint64 except) {
    if (!data1_->database())
        return;
    dataStkHar_->openDatabase();
    const QVector<history::Entry> entries =
        history::list(*data1_->database(), *dataStkHar_->database(), kind, text, except);
    auto* window = new frmGecmis(this, kind, text, entries, [this](qint64 id) { return goToRecord(id); });
    if (entries.isEmpty())
        window->setNote(QStringLiteral("Başka kayıt yok."));
    else if (KayitModu != kBrowsing)
        window->setNote(kEntryOpen + QStringLiteral(" Liste yalnızca gösterilir."));
    window->show();
    window->activateWindow();
}

QString frmServis::goToRecord(qint64 id) {
    if (KayitModu != kBrowsing)
        return kEntryOpen;
    try {
        // The record may lie outside the filtered set: the filter goes off, as the list panel
        // switches it off, caption included.
        if (Check1->isChecked())
            Check1->setChecked(false);
        engine::Recordset* rs = data1_->recordset();
        if (!rs)
            return QStringLiteral("Kayıtlar açık değil.");
        try {
            rs->setBookmark(id);
        } catch (const DbError&) {
            // Added by another program since the set was read: read it again.
            data1_->refresh();
            data1_->rs().setBookmark(id);
        }
    } catch (const DbError& e) {
        return QStringLiteral("Bu kayıt gösterilemedi; silinmiş olabilir.\n%1").arg(e.description());
    }
    return shownKey_ == id ? QString() : QStringLiteral("Bu kayıt gösterilemedi.");
}

void frmServis::KaydaGit_Click() {
    auto* box = new frmKaydaGit(this, [this](const QString& text) { return kaydaGit(text); });
    box->show();
    box->activateWindow();
}

QString frmServis::kaydaGit(const QString& text) {
    if (!data1_->database())
        return QStringLiteral("Kayıtlar açık değil.");
    try {
        const history::Target target = history::resolve(*data1_->database(), text);
        switch (target.what) {
        case history::Target::Record:
            return goToRecord(target.id);
        case history::Target::SeveralDevices:
            openHistory(history::Kind::Device, text, -1);
            return {};
        case history::Target::Nothing:
            break;
        }
        return target.code
                   ? QStringLiteral("%1 kodlu kayıt yok.").arg(history::normalizedCode(text))
                   : QStringLiteral("\"%1\" kodlu ya da seri numaralı kayıt yok.").arg(text.trimmed());
    } catch (const DbError& e) {
        return QStringLiteral("Kayıt aranamadı.\n%1").arg(e.description());
    }
}
