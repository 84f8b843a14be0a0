// Backing the data set up and restoring it through the window, held to a cp that checks and
// syncs as the program does, with the bare `cp` and the sqlite3 shell's own .backup and
// .restore of the same files in the same run beside it.
#include "Bench.h"

#include "AutoBackup.h"
#include "Schema.h"
#include "WindowDriver.h"
#include "frmYedekler.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <memory>
#include <vector>

namespace {

const QStringList kFiles{schema::kServisFile, schema::kStokFile};

void runTool(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    require(p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
            QStringLiteral("%1 %2 failed: %3")
                .arg(program, arguments.join(u' '), QString::fromLocal8Bit(p.readAllStandardError())));
}

sqlite3_int64 records(const QString& servis) {
    RawDb db(servis);
    RawQuery q(db, "SELECT count(*) FROM Servis");
    require(q.step(), QStringLiteral("no count in %1").arg(servis));
    return q.int64(0);
}

// Both files pass `PRAGMA integrity_check` at once, with the program's page cache.
void checkBoth(const QStringList& files) {
    std::vector<std::unique_ptr<QProcess>> checks;
    for (const QString& f : files) {
        checks.push_back(std::make_unique<QProcess>());
        checks.back()->start(QStringLiteral("sqlite3"),
                             {f, QStringLiteral("PRAGMA cache_size=-16384; PRAGMA integrity_check")});
    }
    for (const auto& c : checks)
        require(c->waitForFinished(-1) && c->readAllStandardOutput().trimmed() == "ok",
                QStringLiteral("raw check: %1 is not sound").arg(files.join(u' ')));
}

} // namespace

QString Bench::freshFolder(const QString& kind) {
    const QString dir = run_.filePath(QStringLiteral("%1-%2").arg(kind).arg(++copies_));
    QDir().mkpath(dir);
    return dir;
}

// The faster of `cp` and the shell's dot command, each copying both files from `from` into
// `to()`, a folder made for each run.
double Bench::rawCopyMs(const QString& from, const std::function<QString()>& to, const QString& dotCommand) {
    const auto sample = [&](bool withCp) {
        return medianOf(repeat_, [&](int) {
            const QString into = to();
            const double ms = elapsedMs([&] {
                if (withCp) {
                    QStringList args;
                    for (const QString& f : kFiles)
                        args << QDir(from).filePath(f);
                    runTool(QStringLiteral("cp"), args << into);
                    return;
                }
                for (const QString& f : kFiles) {
                    const QString source = QDir(from).filePath(f), target = QDir(into).filePath(f);
                    // .backup copies out of the open file; .restore copies into it.
                    if (dotCommand == u".backup")
                        runTool(QStringLiteral("sqlite3"),
                                {source, QStringLiteral(".backup '%1'").arg(target)});
                    else
                        runTool(QStringLiteral("sqlite3"),
                                {target, QStringLiteral(".restore '%1'").arg(source)});
                }
            });
            require(records(QDir(into).filePath(schema::kServisFile)) == facts_.records,
                    QStringLiteral("raw copy: wrong record count"));
            return ms;
        });
    };
    return std::min(sample(true), sample(false));
}

// The targets hold ours against a raw copy that takes the same care (`backup_checked`,
// `restore_checked`); the bare copies stay beside them for reference.
QList<Result> Bench::backup(WindowDriver& d) {
    Result r{.name = QStringLiteral("backup"), .target = {}};
    r.rawMs = rawCopyMs(
        session_, [&] { return freshFolder(QStringLiteral("raw-backup")); }, QStringLiteral(".backup"));
    r.oursMs = medianOf(repeat_, [&](int) {
        const QString into = freshFolder(QStringLiteral("backup"));
        dialogs_.shown.clear();
        dialogs_.fileNames << QDir(into).filePath(schema::kServisFile);
        const double ms = elapsedMs([&] { d.child<QAction>(QStringLiteral("Yedekle"))->trigger(); });
        require(dialogs_.shown.isEmpty() &&
                    records(QDir(into).filePath(schema::kServisFile)) == facts_.records,
                QStringLiteral("backup: not made or incomplete"));
        return ms;
    });
    // The same backup against a raw copy that is on the disk when it ends, as the program's is.
    Result synced{.name = QStringLiteral("backup_synced"), .oursMs = r.oursMs, .target = {}};
    synced.rawMs = rawSafeCopyMs(
        session_, [&] { return freshFolder(QStringLiteral("raw-backup")); }, Care::Sync);
    Result checked{.name = QStringLiteral("backup_checked"), .oursMs = r.oursMs, .target = {.maxRatio = 1.5}};
    checked.rawMs = rawSafeCopyMs(
        session_, [&] { return freshFolder(QStringLiteral("raw-backup")); }, Care::CheckCopies);
    backupFolder_ = freshFolder(QStringLiteral("backup"));
    dialogs_.fileNames << QDir(backupFolder_).filePath(schema::kServisFile);
    d.child<QAction>(QStringLiteral("Yedekle"))->trigger();
    return {r, synced, checked};
}

// A raw copy that takes the care the program takes: `cp` copies both files into `to()`, the
// checks of `care` run before or after it, and `sync` puts the copies on the disk.
double Bench::rawSafeCopyMs(const QString& from, const std::function<QString()>& to, Care care) {
    return medianOf(repeat_, [&](int) {
        const QString into = to();
        return elapsedMs([&] {
            QStringList sources, targets;
            for (const QString& f : kFiles) {
                sources << QDir(from).filePath(f);
                targets << QDir(into).filePath(f);
            }
            if (care == Care::CheckSources)
                checkBoth(sources);
            runTool(QStringLiteral("cp"), QStringList(sources) << into);
            if (care == Care::CheckCopies)
                checkBoth(targets);
            runTool(QStringLiteral("sync"), targets);
        });
    });
}

QList<Result> Bench::restore(WindowDriver& d) {
    Result r{.name = QStringLiteral("restore"), .target = {}};
    // The raw restores overwrite a copy of the live files, as the program's restore does.
    const QString scratch = freshFolder(QStringLiteral("raw-restore"));
    for (const QString& f : kFiles)
        require(QFile::copy(QDir(session_).filePath(f), QDir(scratch).filePath(f)),
                QStringLiteral("cannot copy %1").arg(f));
    r.rawMs = rawCopyMs(
        backupFolder_, [&] { return scratch; }, QStringLiteral(".restore"));
    r.oursMs = medianOf(repeat_, [&](int) {
        dialogs_.shown.clear();
        dialogs_.fileNames << QDir(backupFolder_).filePath(schema::kServisFile);
        const double ms = elapsedMs([&] { d.child<QAction>(QStringLiteral("Gerial"))->trigger(); });
        // Only the two questions before replacing the live files, answered Evet.
        require(dialogs_.shown.size() == 2 && d.records().recordCount() == facts_.records,
                QStringLiteral("restore: failed or incomplete"));
        return ms;
    });
    // The same restore against a raw one that checks and syncs as it does: the program's own
    // work apart from what the checks and the disk cost.
    Result checked{
        .name = QStringLiteral("restore_checked"), .oursMs = r.oursMs, .target = {.maxRatio = 1.5}};
    checked.rawMs = rawSafeCopyMs(
        backupFolder_, [&] { return scratch; }, Care::CheckSources);
    return {r, checked};
}

// An automatic backup taken with "Şimdi Yedekle" in the backups' window, from the click until it
// is under its final name, held to the shell's `cp`, `zstd` of the copies and `sync`. The window
// is watched meanwhile: the longest wait for its event loop counts as a progress window's.
QList<Result> Bench::autoBackup(WindowDriver& d, QStringList* notes) {
    Result r{.name = QStringLiteral("auto_backup"), .target = {.maxRatio = 1.5}};
    // `cp`, `zstd` of the copies and `sync`; with `checked`, the integrity check of both copies
    // at once too, as the program checks its copies.
    const auto raw = [&](bool checked) {
        return medianOf(repeat_, [&](int) {
            const QString into = freshFolder(QStringLiteral("raw-auto"));
            return elapsedMs([&] {
                QStringList sources, copies, packed;
                for (const QString& f : kFiles) {
                    sources << QDir(session_).filePath(f);
                    copies << QDir(into).filePath(f);
                    packed << QDir(into).filePath(f + QStringLiteral(".zst"));
                }
                runTool(QStringLiteral("cp"), QStringList(sources) << into);
                for (int i = 0; i < copies.size(); ++i)
                    runTool(QStringLiteral("zstd"),
                            {QStringLiteral("-q"), copies[i], QStringLiteral("-o"), packed[i]});
                if (checked)
                    checkBoth(copies);
                runTool(QStringLiteral("sync"), packed);
            });
        });
    };
    r.rawMs = raw(false);
    d.child<QAction>(QStringLiteral("OtomatikYedekler"))->trigger();
    auto* list = d.child<frmYedekler>(QStringLiteral("frmYedekler"));
    auto* runner = d.child<autobackup::Runner>(QStringLiteral("OtomatikYedek"));
    const QString folder = QDir(session_).filePath(autobackup::kFolder);
    r.oursMs = medianOf(repeat_, [&](int) {
        QElapsedTimer beat;
        qint64 longest = 0;
        QTimer watch;
        watch.setInterval(5);
        QObject::connect(&watch, &QTimer::timeout, [&] { longest = std::max(longest, beat.restart()); });
        dialogs_.shown.clear();
        const double ms = elapsedMs([&] {
            list->findChild<QPushButton*>(QStringLiteral("SimdiYedekle"))->click();
            beat.start();
            watch.start();
            while (runner->running())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        });
        dialogs_.longestCheckGapMs = std::max(dialogs_.longestCheckGapMs, longest);
        const QList<autobackup::Backup> made = autobackup::list(folder);
        require(dialogs_.shown.isEmpty() && !made.isEmpty() && made.first().servisRecords == facts_.records,
                QStringLiteral("auto_backup: not made or incomplete (%1)")
                    .arg(dialogs_.shown.isEmpty() ? QStringLiteral("%1 backups").arg(made.size())
                                                  : dialogs_.shown.last().text));
        return ms;
    });
    list->close();
    const autobackup::Backup newest = autobackup::list(folder).first();
    qint64 bytes = 0;
    for (const QString& f : kFiles)
        bytes += QFileInfo(QDir(session_).filePath(f)).size();
    *notes << QStringLiteral("auto_backup: %1 MB of databases stored as %2 MB (compression ratio %3:1)")
                  .arg(double(bytes) / 1e6, 0, 'f', 1)
                  .arg(double(newest.bytesOnDisk) / 1e6, 0, 'f', 1)
                  .arg(double(bytes) / double(newest.bytesOnDisk), 0, 'f', 2);
    // For reference: the same backup against raw work that also checks what it copied.
    Result checked{.name = QStringLiteral("auto_backup_checked"), .oursMs = r.oursMs, .target = {}};
    checked.rawMs = raw(true);
    return {r, checked};
}

// Restoring the newest automatic backup with "Bilgileri Geri Al" (hashes checked, files
// unpacked, copied in with a sync, the window reopened on them), held to the shell's `zstd -d`,
// `sha256sum`, `cp` and `sync` of the same files.
Result Bench::restoreVerified(WindowDriver& d) {
    Result r{.name = QStringLiteral("restore_verified"), .target = {.maxRatio = 1.5}};
    const QString backup = autobackup::list(QDir(session_).filePath(autobackup::kFolder)).first().path;
    const QString target = freshFolder(QStringLiteral("raw-restore-verified"));
    r.rawMs = medianOf(repeat_, [&](int) {
        const QString unpacked = freshFolder(QStringLiteral("raw-unpacked"));
        return elapsedMs([&] {
            QStringList files;
            for (const QString& f : kFiles) {
                files << QDir(unpacked).filePath(f);
                runTool(QStringLiteral("zstd"),
                        {QStringLiteral("-d"), QStringLiteral("-q"), QStringLiteral("-f"),
                         QDir(backup).filePath(f), QStringLiteral("-o"), files.last()});
            }
            runTool(QStringLiteral("sha256sum"), files);
            runTool(QStringLiteral("cp"), QStringList(files) << target);
            QStringList copied;
            for (const QString& f : kFiles)
                copied << QDir(target).filePath(f);
            runTool(QStringLiteral("sync"), copied);
        });
    });
    r.oursMs = medianOf(repeat_, [&](int) {
        dialogs_.shown.clear();
        dialogs_.fileNames << QDir(backup).filePath(schema::kServisFile);
        const double ms = elapsedMs([&] { d.child<QAction>(QStringLiteral("Gerial"))->trigger(); });
        // Only the two questions before replacing the live files, answered Evet.
        require(dialogs_.shown.size() == 2 && d.records().recordCount() == facts_.records,
                QStringLiteral("restore_verified: failed or incomplete"));
        return ms;
    });
    return r;
}

// The longest stretch in which neither progress window was asked about "Vazgeç", nor the window
// let through while an automatic backup ran, during the backups and restores above: how long a
// click could go unanswered.
Result Bench::backupResponsiveness() {
    return {.name = QStringLiteral("backup_restore_unanswered"),
            .oursMs = double(dialogs_.longestCheckGapMs),
            .target = {.maxMs = 100}};
}
