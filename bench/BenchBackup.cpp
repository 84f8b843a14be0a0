// Backing the data set up and restoring it through the window, held to a cp that checks and
// syncs as the program does, with the bare `cp` and the sqlite3 shell's own .backup and
// .restore of the same files in the same run beside it.
#include "Bench.h"

#include "Schema.h"
#include "WindowDriver.h"

#include <QAction>
#include <QDir>
#include <QProcess>
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

// The longest stretch in which neither progress window was asked about "Vazgeç" during the
// backups and restores above: how long a click on it could go unanswered.
Result Bench::backupResponsiveness() {
    return {.name = QStringLiteral("backup_restore_unanswered"),
            .oursMs = double(dialogs_.longestCheckGapMs),
            .target = {.maxMs = 100}};
}
