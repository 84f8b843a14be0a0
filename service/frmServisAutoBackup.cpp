// The automatic backups: taken beside the window after changes (at the close, and while the
// program runs once the last one is older than the interval), listed and restored in their own
// window.
#include "frmServis.h"

#include "AutoBackup.h"
#include "ProgramDirectory.h"
#include "Schema.h"
#include "Settings.h"
#include "clock/Clock.h"
#include "engine/Database.h"
#include "frmYedekler.h"
#include "ui/Dialogs.h"
#include "ui/Guard.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QTimer>

namespace {

// How often the running program looks whether a backup is due; the interval itself is hours.
constexpr int kDueCheckMs = 60 * 1000;

} // namespace

void frmServis::connectAutoBackup() {
    OtomatikYedekler = Araclar->addAction(QStringLiteral("Otomatik Yedekler..."));
    OtomatikYedekler->setObjectName(QStringLiteral("OtomatikYedekler"));
    connect(OtomatikYedekler, &QAction::triggered, this,
            ui::handler(this, &frmServis::OtomatikYedekler_Click));
    autoBackup_ = new autobackup::Runner(this);
    autoBackup_->setObjectName(QStringLiteral("OtomatikYedek"));
    connect(autoBackup_, &autobackup::Runner::finished, this, &frmServis::autoBackupFinished);
    autoBackupTimer_ = new QTimer(this);
    autoBackupTimer_->setObjectName(QStringLiteral("OtomatikYedekSaati"));
    autoBackupTimer_->setInterval(kDueCheckMs);
    connect(autoBackupTimer_, &QTimer::timeout, this, &frmServis::autoBackupDue);
    autoBackupTimer_->start();
}

// Starts a backup beside the window unless one runs already or a restore is under way; unless
// `evenUnchanged`, only when something was written since the last one.
void frmServis::startAutoBackup(bool evenUnchanged) {
    if (autoBackup_->running() || Gerial->isChecked())
        return;
    const QString folder = programFile(autobackup::kFolder);
    if (!evenUnchanged && !autobackup::writtenSince(programDirectory(), folder, engine::server()))
        return;
    autoBackup_->start({.programDir = programDirectory(),
                        .moment = wallclock::now(),
                        .version = QStringLiteral(KTS_VERSION),
                        .secondPlace = settings::yedekYeri2(),
                        .server = engine::server()});
}

void frmServis::autoBackupDue() {
    if (closing_ || autoBackup_->running() || Gerial->isChecked())
        return;
    const QList<autobackup::Backup> backups = autobackup::list(programFile(autobackup::kFolder));
    const auto good =
        std::find_if(backups.cbegin(), backups.cend(), [](const auto& b) { return b.verified; });
    if (good != backups.cend() &&
        good->moment.secsTo(wallclock::now()) < qint64(settings::yedekAraligi()) * 3600)
        return;
    startAutoBackup(false);
}

// Damage and failure are told once a run: the backups are taken again and again, and the user
// has been warned. A missing second place is only noted in the backups' window.
void frmServis::autoBackupFinished(const autobackup::Outcome& outcome) {
    using Kind = autobackup::Outcome::Kind;
    if (outcome.kind == Kind::Damaged || outcome.kind == Kind::Failed) {
        qCWarning(lcServis) << "automatic backup:" << outcome.message;
        bool& told = outcome.kind == Kind::Damaged ? toldBackupDamage_ : toldBackupFailure_;
        if (!told) {
            told = true;
            ui::MsgBox(this, outcome.message, ui::Icon::Exclamation);
        }
    }
    if (outcome.secondPlaceMissing && backupNote_.isEmpty()) {
        backupNote_ = QStringLiteral("İkinci yer \"%1\" bulunamadı ya da yazılamadı; yedekler yalnızca "
                                     "program klasöründe.")
                          .arg(QDir::toNativeSeparators(settings::yedekYeri2()));
        qCInfo(lcServis) << "second place missing:" << settings::yedekYeri2();
    } else if (outcome.kind == Kind::Made && !outcome.secondPlaceMissing) {
        backupNote_.clear();
    }
    if (yedekler_)
        yedekler_->refresh(backupNote_);
}

// Waits for a running backup with a progress window whose "Vazgeç" stops it; false when the
// user stopped it.
bool frmServis::waitForAutoBackup() {
    if (!autoBackup_->running())
        return true;
    std::unique_ptr<ui::Progress> progress = ui::dialogs().progress(this, QStringLiteral("Otomatik Yedek"));
    progress->setText(QStringLiteral("Otomatik yedek tamamlanıyor..."));
    bool stopped = false;
    autoBackup_->wait([&] {
        stopped = stopped || progress->cancelled();
        return !stopped;
    });
    return !stopped;
}

// The end of the fold: the backup the close started ends first; what was written while one
// started earlier was running gets a backup of its own.
void frmServis::finishAutoBackups() {
    if (!waitForAutoBackup())
        return;
    startAutoBackup(false);
    waitForAutoBackup();
}

void frmServis::OtomatikYedekler_Click() {
    if (!yedekler_) {
        yedekler_ = new frmYedekler(
            this, {.restore =
                       [this](const QString& backup) {
                           restoreMarked([&] { return QDir(backup).filePath(schema::kServisFile); });
                       },
                   .backupNow = [this] { startAutoBackup(true); }});
    }
    yedekler_->refresh(backupNote_);
    yedekler_->show();
    yedekler_->raise();
}
