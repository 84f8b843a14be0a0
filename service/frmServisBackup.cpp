// Backing the two database files up into a folder the user picks, and restoring them from there.
#include "frmServis.h"

#include "AutoBackup.h"
#include "CSHFileOp.h"
#include "ProgramDirectory.h"
#include "SafetyCopy.h"
#include "Schema.h"
#include "ServerBackup.h"
#include "ServerSetup.h"
#include "engine/Database.h"
#include "engine/DatabaseFiles.h"
#include "engine/DbError.h"
#include "engine/PgStore.h"
#include "files/SystemError.h"
#include "shell/DialogsAsker.h"
#include "ui/Dialogs.h"

#include "ui/Guard.h"
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <future>
#include <optional>
#include <unistd.h>
#include <utility>

namespace {

const QString kNotBackedUp = QStringLiteral("Bilgiler Yedeklenemedi...");

bool sameFolder(const QString& a, const QString& b) {
    return QFileInfo(a).canonicalFilePath() == QFileInfo(b).canonicalFilePath();
}

// The file of `folder` called `name` in any letter case, by its real name; empty when none.
QString fileInAnyCase(const QString& folder, const QString& name) {
    const QDir dir(folder);
    if (QFileInfo(dir.filePath(name)).isFile())
        return dir.filePath(name);
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden))
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    return {};
}

// One entry per file, empty when it is a sound database of the kind its live name says, or when
// the user stopped the check in the progress window (`stopped`). The files are checked at once.
// With `hashed` the files came out of an automatic backup whose hashes they matched: they are
// the bytes that were checked in full when the backup was made, and only their kind is checked.
QStringList problemsWith(const QStringList& paths, const QStringList& liveNames, ui::Progress& progress,
                         bool hashed, bool* stopped) {
    QStringList problems;
    for (int i = 0; i < paths.size(); ++i)
        problems << schema::checkDatabaseFile(paths[i], liveNames[i], schema::Upgrade::No);
    if (hashed ||
        std::any_of(problems.cbegin(), problems.cend(), [](const QString& p) { return !p.isEmpty(); }))
        return problems;
    progress.setText(QStringLiteral("Yedek denetleniyor..."));
    const QStringList damage = engine::integrityProblems(
        paths, engine::Check::Full, [&] { return !progress.cancelled(); }, stopped);
    for (int i = 0; i < paths.size(); ++i)
        if (!damage[i].isEmpty())
            problems[i] = QStringLiteral("\"%1\" dosyası bozuk:\n%2")
                              .arg(QDir::toNativeSeparators(paths[i]), damage[i]);
    return problems;
}

void removeCompanions(const QStringList& liveFiles) {
    for (const QString& live : liveFiles)
        for (const QString& f : engine::companionFiles(live))
            QFile::remove(f);
}

const QString kStagingPrefix = QStringLiteral(".Yedekleniyor-");

// Staging folders that a backup stopped by force left in the backup folder.
void removeLeftovers(const QString& folder) {
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({kStagingPrefix + u'*'}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
        QDir(dir.filePath(name)).removeRecursively();
}

// What the backup folder holds after a backup that did not go in; `together` when the user let
// one file in and not the other.
QString notBackedUp(const QString& folder, bool hadBackup, bool together) {
    return QStringLiteral("Yedek alınmadı. %1%2")
        .arg(together ? QStringLiteral("Servis.mdb ile Stok.mdb yalnızca birlikte yedeklenir. ") : QString(),
             hadBackup
                 ? QStringLiteral("\"%1\" klasöründeki önceki yedek değişmedi.")
                       .arg(QDir::toNativeSeparators(folder))
                 : QStringLiteral("\"%1\" klasörüne bir şey konmadı.").arg(QDir::toNativeSeparators(folder)));
}

bool holdsBackup(const QString& folder) {
    return !fileInAnyCase(folder, schema::kServisFile).isEmpty() ||
           !fileInAnyCase(folder, schema::kStokFile).isEmpty();
}

// Moves the checked copies from the staging folder into the backup folder through the file
// operation, which asks before it replaces an older backup. A backup folder holds a pair from one
// moment: unless every copy went in, the older files are put back, and the user is told. False
// on a failure not yet reported.
bool placePair(QWidget* parent, const QString& folder, const QString& staging, const QStringList& copies) {
    const QString keptDir = QDir(staging).filePath(QStringLiteral("önceki"));
    QStringList targets, kept;
    const bool hadBackup = holdsBackup(folder);
    if (!QDir().mkpath(keptDir))
        return false;
    for (const QString& copy : copies) {
        const QString name = QFileInfo(copy).fileName();
        targets << QDir(folder).filePath(name);
        kept << QString();
        if (!QFileInfo::exists(targets.last()))
            continue;
        // Linked where the file system allows: the move renames over the old name only.
        kept.last() = QDir(keptDir).filePath(name);
        if (::link(QFile::encodeName(targets.last()).constData(),
                   QFile::encodeName(kept.last()).constData()) != 0 &&
            !QFile::copy(targets.last(), kept.last()))
            return false;
    }
    CSHFileOp fileOp;
    fileOp.ClearSourceFiles();
    fileOp.ClearDestFiles();
    for (const QString& copy : copies)
        fileOp.AddSourceFile(copy);
    fileOp.AddDestFile(folder);
    fileOp.setParentWnd(static_cast<quint32>(parent->winId()));
    // The copies sit in the backup folder already, so the file operation only renames them; for
    // the user the backup is a copy.
    fileOp.setCustomText(QStringLiteral("Kopyalanıyor..."));
    fileOp.MoveFiles();
    QList<int> placed;
    for (int i = 0; i < copies.size(); ++i)
        if (!QFileInfo::exists(copies[i]))
            placed << i;
    if (placed.size() == copies.size())
        return true;
    bool undone = true;
    for (int i : std::as_const(placed)) {
        const QByteArray target = QFile::encodeName(targets[i]);
        undone = (kept[i].isEmpty()
                      ? std::remove(target.constData())
                      : std::rename(QFile::encodeName(kept[i]).constData(), target.constData())) == 0 &&
                 undone;
    }
    if (!undone) {
        ui::MsgBox(parent,
                   QStringLiteral("Yedek yarım kaldı: \"%1\" klasöründeki Servis.mdb ile Stok.mdb aynı ana "
                                  "ait değil. Yedeği yeniden alın.")
                       .arg(QDir::toNativeSeparators(folder)),
                   ui::Icon::Critical);
        return true;
    }
    ui::MsgBox(parent, notBackedUp(folder, hadBackup, !placed.isEmpty() || fileOp.AnyOperationsAborted()),
               ui::Icon::Exclamation);
    return true;
}

// The files a restore reads from the chosen `sources`: themselves, or, when their folder is an
// automatic backup (compressed), their copies unpacked into `unpacked` beside the backups, where
// the next backup clears away anything a stop by force leaves, and proven the same bytes by the
// hashes of its manifest. Nothing when the user stopped (`stopped`) or they are not as made (`why`).
std::optional<QStringList> readableFiles(const QString& folder, const QStringList& sources,
                                         ui::Progress& progress, std::unique_ptr<QTemporaryDir>* unpacked,
                                         bool* stopped, QString* why) {
    if (!autobackup::readManifest(folder).has_value())
        return sources;
    const QString into = programFile(autobackup::kFolder);
    QDir().mkpath(into);
    *unpacked = std::make_unique<QTemporaryDir>(
        QDir(into).filePath(autobackup::kBuildingPrefix + QStringLiteral("XXXXXX")));
    QStringList names, files;
    for (const QString& s : sources) {
        names << QFileInfo(s).fileName();
        files << QDir((*unpacked)->path()).filePath(names.last());
    }
    progress.setText(QStringLiteral("Yedek açılıyor..."));
    const auto goOn = [&](qint64 done, qint64 total) {
        progress.setProgress(done, total);
        return !progress.cancelled();
    };
    *why = !(*unpacked)->isValid() ? platform::turkishSystemError((*unpacked)->errorString())
                                   : autobackup::extract(folder, names, (*unpacked)->path(), goOn, stopped);
    if (*stopped || !why->isEmpty())
        return std::nullopt;
    return files;
}

// The files a restore reads (see readableFiles), each found a sound database of the kind its
// live name says. Nothing when the user stopped (`stopped`) or one is refused: `why` then names
// the chosen file at fault.
std::optional<QStringList> restorableFiles(const QString& folder, const QStringList& sources,
                                           const QStringList& liveNames, ui::Progress& progress,
                                           std::unique_ptr<QTemporaryDir>* unpacked, bool* stopped,
                                           QString* why) {
    const std::optional<QStringList> files = readableFiles(folder, sources, progress, unpacked, stopped, why);
    if (!files)
        return std::nullopt;
    const QStringList problems = problemsWith(*files, liveNames, progress, *unpacked != nullptr, stopped);
    if (*stopped)
        return std::nullopt;
    for (int i = 0; i < sources.size(); ++i) {
        if (!problems[i].isEmpty()) {
            *why = QStringLiteral("%1\n\nSeçilen dosya: %2")
                       .arg(problems[i], QDir::toNativeSeparators(sources[i]));
            return std::nullopt;
        }
    }
    return files;
}

} // namespace

void frmServis::connectBackup() {
    connect(Yedekle, &QAction::triggered, this, ui::handler(this, &frmServis::Yedekle_Click));
    connect(Gerial, &QAction::triggered, this, ui::handler(this, &frmServis::Gerial_Click));
}

void frmServis::Yedekle_Click() {
    ui::FileDialog dialog;
    dialog.mode = ui::FileDialog::Mode::Save;
    dialog.title = QStringLiteral("Bilgilerini Yedekle...");
    dialog.initDir = backupInitDir_.isEmpty() ? QDir::homePath() : backupInitDir_;
    dialog.fileName = QFileInfo(data1_->databaseName()).fileName();
    dialog.filter = QStringLiteral("Veri Dosyaları|*.mdb");
    const QString chosen = ui::dialogs().fileName(this, dialog);
    const QFileInfo info(chosen);
    // The backup goes into the folder of the chosen file; copying into the program directory
    // would copy the live files onto themselves.
    if (chosen.isEmpty() || !info.fileName().contains(QStringLiteral("Servis"), Qt::CaseInsensitive) ||
        sameFolder(info.absolutePath(), programDirectory())) {
        ui::MsgBox(this, kNotBackedUp, ui::Icon::None);
        return;
    }
    backupInitDir_ = info.absolutePath();
    if (!backUpInto(backupInitDir_))
        ui::MsgBox(this, kNotBackedUp, ui::Icon::None);
}

// Takes a consistent copy of each open database beside the backup folder's files, checks it,
// and lets the shell move it into place, asking before it replaces an older backup. False on a
// failure not yet reported.
bool frmServis::backUpInto(const QString& folder) {
    // A folder typed into the dialog that does not exist yet is made on the user's word.
    if (!QFileInfo(folder).isDir()) {
        if (!shell::DialogsAsker(this).makeFolder(folder))
            return true;
        if (!QDir().mkpath(folder))
            return false;
    }
    removeLeftovers(folder);
    // What the system said goes with the message, in Turkish.
    const auto failed = [this](const QString& why) {
        ui::MsgBox(this, kNotBackedUp + QStringLiteral("\n\n") + why, ui::Icon::None);
        return true;
    };
    QTemporaryDir staging(QDir(folder).filePath(kStagingPrefix + QStringLiteral("XXXXXX")));
    if (!staging.isValid())
        return failed(platform::turkishSystemError(staging.errorString()));
    const std::pair<engine::DataSource*, QString> files[] = {{data1_, schema::kServisFile},
                                                             {dataStkHar_, schema::kStokFile}};
    std::unique_ptr<ui::Progress> progress =
        ui::dialogs().progress(this, QStringLiteral("Bilgilerini Yedekle..."));
    const auto stoppedByUser = [&] {
        progress.reset();
        ui::MsgBox(this, notBackedUp(folder, holdsBackup(folder), false), ui::Icon::Exclamation);
        return true;
    };
    const auto goOn = [&](qint64 done, qint64 total) {
        progress->setProgress(done, total);
        return !progress->cancelled();
    };
    QStringList copies;
    std::vector<std::unique_ptr<engine::IntegrityCheck>> checks;
    if (!engine::server().isEmpty()) {
        // Records kept on a server become the same pair of files, read at one moment.
        for (const auto& [source, name] : files)
            copies << QDir(staging.path()).filePath(name);
        progress->setText(QStringLiteral("Yedek hazırlanıyor: sunucudaki kayıtlar"));
        QString error;
        if (!serverbackup::snapshot(engine::server(), copies[0], copies[1], goOn, &error)) {
            if (error.isEmpty())
                return stoppedByUser();
            progress.reset();
            return failed(error);
        }
        for (const QString& copy : copies)
            checks.push_back(std::make_unique<engine::IntegrityCheck>(copy, engine::Check::Quick));
    } else {
        for (const auto& [source, name] : files) {
            const QString copy = QDir(staging.path()).filePath(name);
            QString error;
            try {
                source->openDatabase();
            } catch (const engine::DbError&) {
                return false;
            }
            progress->setText(QStringLiteral("Yedek hazırlanıyor: %1").arg(name));
            const bool made =
                engine::backupDatabase(*source->database(), copy, goOn, &error, &checks.emplace_back());
            if (!made) {
                if (error.isEmpty())
                    return stoppedByUser();
                progress.reset();
                return failed(error);
            }
            copies << copy;
        }
    }
    // The copies go to the disk while the checks, begun with the copies, end.
    progress->setText(QStringLiteral("Yedek denetleniyor..."));
    std::future<bool> synced = engine::syncFiles(copies);
    bool stopped = false;
    const QStringList damage = engine::finishChecks(
        checks, [&] { return !progress->cancelled(); }, &stopped);
    while (synced.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        stopped = progress->cancelled() || stopped;
    if (!synced.get())
        return false;
    if (stopped)
        return stoppedByUser();
    for (int i = 0; i < copies.size(); ++i) {
        if (!damage[i].isEmpty()) {
            progress.reset();
            ui::MsgBox(this,
                       QStringLiteral("\"%1\" bozuk; yedek alınmadı ve eski yedeğin üzerine yazılmadı.\n\n%2")
                           .arg(files[i].second, damage[i]),
                       ui::Icon::Critical);
            return true;
        }
    }
    progress.reset();
    return placePair(this, folder, staging.path(), copies);
}

void frmServis::Gerial_Click() {
    restoreMarked([this] {
        ui::FileDialog dialog;
        dialog.mode = ui::FileDialog::Mode::Open;
        dialog.title = QStringLiteral("Bilgilerini Geri Al...");
        dialog.initDir = programDirectory();
        dialog.fileName = QFileInfo(data1_->databaseName()).fileName();
        dialog.filter = dialog.fileName + u'|' + dialog.fileName;
        return ui::dialogs().fileName(this, dialog);
    });
}

void frmServis::restoreMarked(const std::function<QString()>& choose) {
    // The check mark silences the record display while the data sources are closed and reopened,
    // and keeps automatic backups from starting; every way out of the restore, a failure
    // included, takes it off.
    Gerial->setChecked(true);
    bool reopened = false;
    {
        const auto unmark = qScopeGuard([this] { Gerial->setChecked(false); });
        if (KayitModu != kBrowsing) {
            ui::MsgBox(this, QStringLiteral("Önce açık kaydı tamamlayın ya da vazgeçin."),
                       ui::Icon::Exclamation);
        } else if (!engine::server().isEmpty()) {
            // Every desk works on what a restore onto the server replaces: it is asked for first.
            if (ui::MsgBox(
                    this,
                    QStringLiteral("Geri alma, sunucudaki bütün kayıtların yerine yedektekileri koyar.\n\n"
                                   "Diğer masalardaki programlar kapatıldı mı?"),
                    ui::Icon::Question, ui::Buttons::YesNo, ui::Answer::No) == ui::Answer::Yes) {
                if (const QString chosen = choose(); !chosen.isEmpty())
                    reopened = restoreOntoServer(chosen);
            }
        } else if (const QString chosen = choose(); !chosen.isEmpty()) {
            reopened = restoreFrom(chosen);
        }
    }
    if (reopened)
        Data1_Reposition();
}

// Copies the chosen backup over the live files. Nothing is closed until both backup files have
// been found sound; once closed, the data sources always end open on the live files, which are
// either the restored ones or, after any failure, the ones from before. True once they were
// closed.
bool frmServis::restoreFrom(const QString& chosen) {
    const QString folder = QFileInfo(chosen).absolutePath();
    const QString liveServis = programFile(schema::kServisFile);
    const QString liveStok = programFile(schema::kStokFile);
    // Whatever file was picked, its folder's own pair is restored; in the program directory that
    // pair is the live one.
    if (sameFolder(folder, programDirectory()))
        return false;
    QStringList sources, targets;
    for (const QString& live : {liveServis, liveStok}) {
        if (const QString backup = fileInAnyCase(folder, QFileInfo(live).fileName()); !backup.isEmpty()) {
            sources << backup;
            targets << live;
        }
    }
    if (sources.isEmpty())
        return false;
    // A backup being taken reads the live files: it ends first.
    waitForAutoBackup();
    std::unique_ptr<ui::Progress> progress =
        ui::dialogs().progress(this, QStringLiteral("Bilgilerini Geri Al..."));
    QStringList liveNames;
    for (const QString& t : std::as_const(targets))
        liveNames << QFileInfo(t).fileName();
    bool stopped = false;
    std::unique_ptr<QTemporaryDir> unpacked;
    QString why;
    const std::optional<QStringList> files =
        restorableFiles(folder, sources, liveNames, *progress, &unpacked, &stopped, &why);
    if (!files) {
        progress.reset();
        if (!stopped)
            ui::MsgBox(this, why + QStringLiteral("\n\nGeri alma yapılmadı; mevcut bilgiler değişmedi."),
                       ui::Icon::Critical);
        return false;
    }
    sources = *files;

    progress.reset();

    data1_->close();
    data2_->close();
    dataStkHar_->close();
    if (engine::Database::isOpen(liveServis) || engine::Database::isOpen(liveStok)) {
        ui::MsgBox(this,
                   QStringLiteral("Veritabanı başka bir pencerede açık; geri alma yapılamadı. "
                                  "Diğer pencereleri kapatıp yeniden deneyin."),
                   ui::Icon::Exclamation);
        reopenLive();
        return true;
    }
    // A journal beside a live file belongs to that file: it is rolled back into it now and must
    // never meet the restored file.
    for (const QString& live : targets)
        engine::recoverJournal(live);
    removeCompanions(targets);
    SafetyCopy safety(programDirectory());
    QString error;
    if (!safety.make(targets, &error)) {
        ui::MsgBox(this, error + QStringLiteral("\n\nGeri alma yapılmadı."), ui::Icon::Critical);
        reopenLive();
        return true;
    }

    CSHFileOp fileOp;
    fileOp.ClearSourceFiles();
    fileOp.ClearDestFiles();
    for (const QString& s : std::as_const(sources))
        fileOp.AddSourceFile(s);
    for (const QString& t : std::as_const(targets))
        fileOp.AddDestFile(t);
    fileOp.setParentWnd(static_cast<quint32>(winId()));
    const bool copied = fileOp.CopyFiles();
    removeCompanions(targets);
    // All or nothing: a pair of files from two different days would not belong together.
    if (!copied || !reopenLive()) {
        const bool declined = !copied && fileOp.AnyOperationsAborted();
        if (!safety.putBack(&error)) {
            ui::MsgBox(this, error, ui::Icon::Critical);
        } else if (declined) {
            ui::MsgBox(
                this,
                targets.size() > 1
                    ? QStringLiteral("Geri alma yapılmadı: Servis.mdb ile Stok.mdb yalnızca birlikte geri "
                                     "alınır. Hiçbir şey değiştirilmedi.")
                    : QStringLiteral("Geri alma yapılmadı; hiçbir şey değiştirilmedi."),
                ui::Icon::Exclamation);
        } else {
            ui::MsgBox(this, QStringLiteral("Geri alma tamamlanmadı; bilgiler geri almadan önceki halinde."),
                       ui::Icon::Exclamation);
        }
        reopenLive();
        return true;
    }
    safety.finish();
    return true;
}

// Puts the chosen folder's pair in place of both schemas on the server, in one server transaction,
// after the checks a file restore makes, and only while no other desk is connected: what they
// show would no longer be there. True once the data sources were closed.
bool frmServis::restoreOntoServer(const QString& chosen) {
    const QString folder = QFileInfo(chosen).absolutePath();
    const QStringList liveNames{schema::kServisFile, schema::kStokFile};
    QStringList sources;
    for (const QString& name : liveNames)
        sources << fileInAnyCase(folder, name);
    const auto refuse = [this](const QString& why) {
        ui::MsgBox(this, why + QStringLiteral("\n\nGeri alma yapılmadı; sunucudaki kayıtlar değişmedi."),
                   ui::Icon::Critical);
        return false;
    };
    if (sources.contains(QString()))
        return refuse(QStringLiteral("Seçilen klasörde %1 ve %2 birlikte bulunmalı (%3).")
                          .arg(schema::kServisFile, schema::kStokFile, QDir::toNativeSeparators(folder)));
    // A backup being taken reads what the restore replaces: it ends first.
    waitForAutoBackup();
    std::unique_ptr<ui::Progress> progress =
        ui::dialogs().progress(this, QStringLiteral("Bilgilerini Geri Al..."));
    bool stopped = false;
    std::unique_ptr<QTemporaryDir> unpacked;
    QString why;
    if (!restorableFiles(folder, sources, liveNames, *progress, &unpacked, &stopped, &why)) {
        progress.reset();
        return stopped ? false : refuse(why);
    }
    const QString pair = unpacked ? unpacked->path() : folder;
    try {
        if (const int others = serverbackup::otherDesks(*data1_->database()); others > 0) {
            progress.reset();
            return refuse(
                QStringLiteral("Sunucuya bağlı %1 masa daha var. Önce diğer masalardaki programları "
                               "kapatın.")
                    .arg(others));
        }
    } catch (const engine::DbError& e) {
        progress.reset();
        return refuse(e.description());
    }
    progress->setText(QStringLiteral("Yedek sunucuya yükleniyor..."));
    data1_->close();
    data2_->close();
    dataStkHar_->close();
    try {
        engine::ServerLoad load(engine::server());
        QString log;
        QTextStream out(&log);
        serversetup::replaceWithPair(load, pair, out, out);
        load.commit();
    } catch (const engine::DbError& e) {
        progress.reset();
        refuse(e.description());
    }
    progress.reset();
    if (!reopenLive())
        ui::MsgBox(this, QStringLiteral("Kayıtlar yeniden açılamadı; programı kapatıp açın."),
                   ui::Icon::Critical);
    return true;
}

// Points the three data sources at the live files of the program directory and opens them; a
// restored file from an older version gets the indexes it lacks first.
bool frmServis::reopenLive() {
    std::shared_ptr<engine::Database> checked[2];
    for (const QString& name : {schema::kServisFile, schema::kStokFile})
        if (!schema::checkLiveDatabase(programFile(name), name, &checked[name == schema::kStokFile])
                 .isEmpty())
            return false;
    data1_->setDatabaseName(programFile(schema::kServisFile));
    data2_->setDatabaseName(programFile(schema::kServisFile));
    dataStkHar_->setDatabaseName(programFile(schema::kStokFile));
    try {
        engine::RefreshData(*data1_);
        engine::RefreshData(*data2_);
        dataStkHar_->refresh();
    } catch (const engine::DbError&) {
        data1_->close();
        data2_->close();
        dataStkHar_->close();
        return false;
    }
    return true;
}
