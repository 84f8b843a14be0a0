#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <functional>
#include <future>
#include <optional>

// The automatic backups: one folder per backup under "Yedekler" in the program directory, named
// by its moment, holding both database files compressed with zstd and a manifest that says what
// they are. A folder under its final name is always complete: it is built under a temporary name
// beside its place, written to the disk, checked, and only then renamed.
namespace autobackup {

inline const QString kFolder = QStringLiteral("Yedekler");
inline const QString kManifest = QStringLiteral("Yedek Bilgisi.txt");
inline const QString kBuildingPrefix = QStringLiteral(".Yedekleniyor-");

struct FileFacts {
    QString name;
    qint64 size = 0;                      // of the uncompressed file
    QByteArray sha256;                    // of the uncompressed bytes, in hex
    QList<QPair<QString, qint64>> tables; // every table and its row count
};

struct Manifest {
    QDateTime moment;
    QString version;
    bool checked = false;
    QString source; // what the live files were when they were copied: see liveFingerprint()
    QList<FileFacts> files;
    qint64 rows(const QString& file, const QString& table) const;
};

QByteArray toText(const Manifest& m);
std::optional<Manifest> readManifest(const QString& folder);

// The backups of `folder` that sit under their final names, newest first.
struct Backup {
    QString path;
    QDateTime moment;
    bool verified = false;
    qint64 servisRecords = -1;
    qint64 stockCards = -1;
    qint64 bytesOnDisk = 0;
};
QList<Backup> list(const QString& folder);

// The grandfather-father-son rule: of the moments given, those to keep are the 3 newest, the
// newest of each of the 7 newest days, of the 5 newest weeks and of the 12 newest months that
// hold a backup. The newest moment is always among them.
QList<QDateTime> toKeep(QList<QDateTime> moments);

// Which files the live databases are now, with their sizes and the moments they were last
// written; it changes with every write, by this program or another.
QString liveFingerprint(const QString& programDir);

// Whether the live files, or with `server` given the records on that server, were written since
// the newest backup of `folder` was taken.
bool writtenSince(const QString& programDir, const QString& folder, const QString& server = {});

struct Outcome {
    enum class Kind { Made, Damaged, Failed, Stopped };
    Kind kind = Kind::Failed;
    QString folder;  // the new backup, when made
    QString message; // Turkish, naming the file, when damaged or failed
    bool secondPlaceMissing = false;
};

struct Job {
    QString programDir;
    QDateTime moment;
    QString version;
    QString secondPlace; // empty: none
    QString server;      // the records' server, when they are not the program directory's files
};

// Takes a backup of the live files of the job's program directory into its "Yedekler" folder,
// prunes the older ones by the rule once the new one is good, and mirrors the result into the
// second place. Runs on any thread; `goOn` returning false stops it with nothing left behind.
Outcome make(const Job& job, const std::function<bool()>& goOn);

// Removes what the rule does not keep from the folder, and the leftovers of killed backups.
void prune(const QString& folder);

// Decompresses the named files of an automatic backup into `into`, checking each against the
// manifest's size and SHA-256. Empty when all are as they were made; otherwise a Turkish message
// that names the file (empty with `stopped` set when `goOn` said stop).
QString extract(const QString& folder, const QStringList& names, const QString& into,
                const std::function<bool(qint64, qint64)>& goOn, bool* stopped);

// Runs one backup at a time beside the window, and says when it is over.
class Runner : public QObject {
    Q_OBJECT

public:
    explicit Runner(QObject* parent = nullptr);
    ~Runner() override;

    bool running() const { return future_.valid(); }
    // False when one is running already.
    bool start(const Job& job);
    // Asks the running backup to stop at its next step.
    void stop() { stop_ = true; }
    // Waits for the running backup, calling `goOn` now and then; once it says no, the backup is
    // stopped. Its end is announced before this returns.
    void wait(const std::function<bool()>& goOn);

Q_SIGNALS:
    void finished(const autobackup::Outcome& outcome);

private:
    void deliverIfDone();
    std::future<Outcome> future_;
    std::atomic<bool> stop_ = false;
    QTimer watch_;
};

} // namespace autobackup
