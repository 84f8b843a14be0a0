#include "AutoBackup.h"
#include "ServerBackup.h"

#include "Schema.h"
#include "engine/Database.h"
#include "engine/DatabaseFiles.h"
#include "files/RegularFile.h"
#include "files/SystemError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <openssl/evp.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <zstd.h>

namespace autobackup {

namespace {

const QStringList kFiles{schema::kServisFile, schema::kStokFile};
const QString kMomentFormat = QStringLiteral("yyyy-MM-dd_HHmm");
constexpr size_t kChunk = 1 << 20;
// zstd's own default: the shell's `zstd` uses it too, and it halves these files in about the
// time the disk takes to write them.
constexpr int kLevel = 3;

// "2026-12-08_1730", with "-2", "-3" ... after it for later backups of the same minute.
const QRegularExpression& finalName() {
    static const QRegularExpression re(QStringLiteral("^(\\d{4}-\\d{2}-\\d{2}_\\d{4})(-\\d+)?$"));
    return re;
}

// SHA-256 through OpenSSL, which uses the processor's own instructions where it has them: three
// to five times as fast as a portable implementation, and a backup hashes every byte.
class Sha256 {
public:
    Sha256()
        : ctx_(EVP_MD_CTX_new()) {
        EVP_DigestInit_ex(ctx_, EVP_sha256(), nullptr);
    }
    ~Sha256() { EVP_MD_CTX_free(ctx_); }
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;
    void addData(const char* data, size_t size) { EVP_DigestUpdate(ctx_, data, size); }
    QByteArray hex() {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(ctx_, digest, &length);
        return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
    }

private:
    EVP_MD_CTX* ctx_;
};

bool writeAll(int fd, const char* data, size_t size, QString* error) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = platform::turkishSystemError(n == 0 ? ENOSPC : errno);
            return false;
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Compresses `from` into a new file `to`, hashing the bytes it reads; the result is on the disk
// when it returns true.
bool compress(const QString& from, const QString& to, FileFacts* facts, const std::function<bool()>& goOn,
              QString* error) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = platform::turkishSystemError(in.errorString());
        return false;
    }
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (out < 0) {
        *error = platform::turkishSystemError(errno);
        return false;
    }
    ZSTD_CCtx* cctx = ZSTD_createCCtx();
    ZSTD_CCtx_setParameter(cctx, ZSTD_c_compressionLevel, kLevel);
    ZSTD_CCtx_setParameter(cctx, ZSTD_c_checksumFlag, 1);
    ZSTD_CCtx_setPledgedSrcSize(cctx, quint64(in.size()));
    Sha256 hash;
    std::vector<char> input(kChunk), output(ZSTD_CStreamOutSize());
    bool ok = true;
    qint64 size = 0;
    for (bool last = false; ok && !last;) {
        const qint64 n = in.read(input.data(), qint64(input.size()));
        if (n < 0) {
            *error = platform::turkishSystemError(in.errorString());
            ok = false;
            break;
        }
        last = n < qint64(input.size());
        hash.addData(input.data(), size_t(n));
        size += n;
        ZSTD_inBuffer src{input.data(), size_t(n), 0};
        for (bool flushed = false; ok && !flushed;) {
            ZSTD_outBuffer dst{output.data(), output.size(), 0};
            const size_t left = ZSTD_compressStream2(cctx, &dst, &src, last ? ZSTD_e_end : ZSTD_e_continue);
            if (ZSTD_isError(left)) {
                *error = QString::fromUtf8(ZSTD_getErrorName(left));
                ok = false;
            }
            ok = ok && writeAll(out, output.data(), dst.pos, error);
            flushed = last ? left == 0 : src.pos == src.size;
        }
        if (ok && !goOn()) {
            error->clear();
            ok = false;
        }
    }
    ZSTD_freeCCtx(cctx);
    if (ok && ::fsync(out) != 0) {
        *error = platform::turkishSystemError(errno);
        ok = false;
    }
    if (::close(out) != 0 && ok) {
        *error = platform::turkishSystemError(errno);
        ok = false;
    }
    facts->size = size;
    facts->sha256 = hash.hex();
    return ok;
}

// Every table of the file and its rows, counted on a connection of its own.
QList<QPair<QString, qint64>> countRows(const QString& path) {
    QList<QPair<QString, qint64>> counts;
    sqlite3* db = nullptr;
    if (engine::openConnection(path, SQLITE_OPEN_READONLY, &db) == SQLITE_OK) {
        sqlite3_stmt* names = nullptr;
        QStringList tables;
        if (sqlite3_prepare_v2(db,
                               "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                               "'sqlite\\_%' ESCAPE '\\' ORDER BY name",
                               -1, &names, nullptr) == SQLITE_OK)
            while (sqlite3_step(names) == SQLITE_ROW)
                tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(names, 0)));
        sqlite3_finalize(names);
        for (const QString& table : std::as_const(tables)) {
            // A table's name cannot be bound; it comes from the file's own schema, quoted.
            const QByteArray sql = "SELECT count(*) FROM \"" +
                                   QString(table).replace(u'"', QStringLiteral("\"\"")).toUtf8() + '"';
            sqlite3_stmt* count = nullptr;
            if (sqlite3_prepare_v2(db, sql.constData(), -1, &count, nullptr) == SQLITE_OK &&
                sqlite3_step(count) == SQLITE_ROW)
                counts.append({table, sqlite3_column_int64(count, 0)});
            sqlite3_finalize(count);
        }
    }
    sqlite3_close(db);
    return counts;
}

QString fingerprintOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("-");
    return QStringLiteral("%1:%2:%3:%4.%5")
        .arg(st.st_dev)
        .arg(st.st_ino)
        .arg(st.st_size)
        .arg(st.st_mtim.tv_sec)
        .arg(st.st_mtim.tv_nsec);
}

// A name under which no backup of `folder` sits yet.
QString freeName(const QString& folder, const QDateTime& moment) {
    const QString base = moment.toString(kMomentFormat);
    QString name = base;
    for (int n = 2; QFileInfo::exists(QDir(folder).filePath(name)); ++n)
        name = base + QStringLiteral("-%1").arg(n);
    return name;
}

void removeLeftovers(const QString& folder) {
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({kBuildingPrefix + u'*'}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
        QDir(dir.filePath(name)).removeRecursively();
}

// Copies a finished backup into the second place the same way it was built: under a temporary
// name, synced, then renamed.
bool mirror(const QString& backup, const QString& place) {
    removeLeftovers(place);
    QTemporaryDir staging(QDir(place).filePath(kBuildingPrefix + QStringLiteral("XXXXXX")));
    if (!staging.isValid())
        return false;
    const QDir from(backup);
    QStringList copies;
    for (const QString& name : from.entryList(QDir::Files)) {
        const QString copy = QDir(staging.path()).filePath(name);
        if (!QFile::copy(from.filePath(name), copy))
            return false;
        copies << copy;
    }
    if (!engine::syncFiles(copies).get() || !platform::syncPath(staging.path()))
        return false;
    const QString target = QDir(place).filePath(QFileInfo(backup).fileName());
    if (QFileInfo::exists(target) || std::rename(QFile::encodeName(staging.path()).constData(),
                                                 QFile::encodeName(target).constData()) != 0)
        return false;
    staging.setAutoRemove(false);
    platform::syncPath(place);
    prune(place);
    return true;
}

} // namespace

qint64 Manifest::rows(const QString& file, const QString& table) const {
    for (const FileFacts& f : files)
        if (f.name == file)
            for (const auto& [name, count] : f.tables)
                if (name.compare(table, Qt::CaseInsensitive) == 0)
                    return count;
    return -1;
}

QByteArray toText(const Manifest& m) {
    QString text = QStringLiteral("Kelvora Teknik Servis otomatik yedeği\n");
    text += QStringLiteral("Zaman: %1\n").arg(m.moment.toString(Qt::ISODate));
    text += QStringLiteral("Sürüm: %1\n").arg(m.version);
    text += QStringLiteral("Denetim: %1\n")
                .arg(m.checked ? QStringLiteral("tamam") : QStringLiteral("yapılmadı"));
    text += QStringLiteral("Kaynak: %1\n").arg(m.source);
    for (const FileFacts& f : m.files) {
        text += QStringLiteral("Dosya: %1\n").arg(f.name);
        text += QStringLiteral("Boyut: %1\n").arg(f.size);
        text += QStringLiteral("SHA-256: %1\n").arg(QString::fromLatin1(f.sha256));
        for (const auto& [table, count] : f.tables)
            text += QStringLiteral("Tablo: %1 %2\n").arg(table).arg(count);
    }
    return text.toUtf8();
}

std::optional<Manifest> readManifest(const QString& folder) {
    QFile file(QDir(folder).filePath(kManifest));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    Manifest m;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString key = line.section(QStringLiteral(": "), 0, 0);
        const QString value = line.section(QStringLiteral(": "), 1);
        if (key == u"Zaman")
            m.moment = QDateTime::fromString(value, Qt::ISODate);
        else if (key == u"Sürüm")
            m.version = value;
        else if (key == u"Denetim")
            m.checked = value == u"tamam";
        else if (key == u"Kaynak")
            m.source = value;
        else if (key == u"Dosya")
            m.files.append({.name = value, .size = -1, .sha256 = {}, .tables = {}});
        else if (m.files.isEmpty())
            continue;
        else if (key == u"Boyut")
            m.files.last().size = value.toLongLong();
        else if (key == u"SHA-256")
            m.files.last().sha256 = value.toLatin1();
        else if (key == u"Tablo")
            m.files.last().tables.append({value.section(u' ', 0, -2), value.section(u' ', -1).toLongLong()});
    }
    if (!m.moment.isValid() || m.files.isEmpty())
        return std::nullopt;
    return m;
}

QList<Backup> list(const QString& folder) {
    QList<Backup> backups;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const auto match = finalName().match(name);
        if (!match.hasMatch())
            continue;
        Backup b;
        b.path = dir.filePath(name);
        b.moment = QDateTime::fromString(match.captured(1), kMomentFormat);
        if (const std::optional<Manifest> m = readManifest(b.path)) {
            b.moment = m->moment;
            b.verified = m->checked;
            b.servisRecords = m->rows(schema::kServisFile, QStringLiteral("Servis"));
            b.stockCards = m->rows(schema::kStokFile, QStringLiteral("StokKartlar"));
        }
        for (const QFileInfo& f : QDir(b.path).entryInfoList(QDir::Files))
            b.bytesOnDisk += f.size();
        backups << b;
    }
    std::sort(backups.begin(), backups.end(), [](const Backup& a, const Backup& b) {
        return a.moment != b.moment ? a.moment > b.moment : a.path > b.path;
    });
    return backups;
}

QList<QDateTime> toKeep(QList<QDateTime> moments) {
    std::sort(moments.begin(), moments.end(), std::greater<>());
    QSet<int> kept;
    for (int i = 0; i < std::min<qsizetype>(3, moments.size()); ++i)
        kept.insert(i);
    // Newest first, so the first backup met in each day, week or month is that period's newest.
    const auto keepNewestOf = [&](int periods, auto periodOf) {
        QSet<qint64> seen;
        for (int i = 0; i < moments.size() && seen.size() <= periods; ++i) {
            const qint64 period = periodOf(moments[i].date());
            if (seen.contains(period))
                continue;
            seen.insert(period);
            if (seen.size() <= periods)
                kept.insert(i);
        }
    };
    keepNewestOf(7, [](const QDate& d) { return d.toJulianDay(); });
    keepNewestOf(5, [](const QDate& d) {
        int year = 0;
        const int week = d.weekNumber(&year);
        return qint64(year) * 100 + week;
    });
    keepNewestOf(12, [](const QDate& d) { return qint64(d.year()) * 100 + d.month(); });
    QList<QDateTime> keep;
    for (int i = 0; i < moments.size(); ++i)
        if (kept.contains(i))
            keep << moments[i];
    return keep;
}

void prune(const QString& folder) {
    removeLeftovers(folder);
    const QList<Backup> backups = list(folder);
    QList<QDateTime> moments;
    for (const Backup& b : backups)
        moments << b.moment;
    QList<QDateTime> keep = toKeep(moments);
    // A foreign folder under a backup's name must not push the newest good backup out.
    if (const auto good =
            std::find_if(backups.cbegin(), backups.cend(), [](const Backup& b) { return b.verified; });
        good != backups.cend())
        keep << good->moment;
    // Two backups of one moment: the rule keeps the moment, and so both.
    for (const Backup& b : backups)
        if (!keep.contains(b.moment))
            QDir(b.path).removeRecursively();
    platform::syncPath(folder);
}

QString liveFingerprint(const QString& programDir) {
    QStringList parts;
    for (const QString& name : kFiles) {
        const QString live = QDir(programDir).filePath(name);
        parts << fingerprintOf(live) << fingerprintOf(live + QStringLiteral("-wal"));
    }
    return parts.join(u' ');
}

bool writtenSince(const QString& programDir, const QString& folder, const QString& server) {
    const QList<Backup> backups = list(folder);
    for (const Backup& b : backups) {
        if (!b.verified)
            continue;
        const QString source = readManifest(b.path)->source;
        return server.isEmpty() ? source != liveFingerprint(programDir)
                                : serverbackup::writtenSince(server, source);
    }
    return true;
}

Outcome make(const Job& job, const std::function<bool()>& goOn) {
    Outcome outcome;
    const QString folder = QDir(job.programDir).filePath(kFolder);
    const auto failed = [&](const QString& why) {
        outcome.kind = Outcome::Kind::Failed;
        outcome.message = QStringLiteral("Otomatik yedek alınamadı.\n\n%1").arg(why);
        return outcome;
    };
    const auto stopped = [&] {
        outcome.kind = Outcome::Kind::Stopped;
        return outcome;
    };
    if (!QDir().mkpath(folder))
        return failed(QStringLiteral("\"%1\" klasörü oluşturulamadı.").arg(QDir::toNativeSeparators(folder)));
    removeLeftovers(folder);
    QTemporaryDir staging(QDir(folder).filePath(kBuildingPrefix + QStringLiteral("XXXXXX")));
    if (!staging.isValid())
        return failed(platform::turkishSystemError(staging.errorString()));

    Manifest manifest;
    manifest.moment = job.moment;
    manifest.version = job.version;
    QStringList live, copies;
    for (const QString& name : kFiles) {
        live << QDir(job.programDir).filePath(name);
        copies << QDir(staging.path()).filePath(QStringLiteral("ham-") + name);
    }
    QString error;
    const auto going = [&](qint64, qint64) { return goOn(); };
    // What the live files are is taken while no writer can change them, so that the next
    // backup knows whether anything was written after this one; a server's records are copied
    // at one moment of their own, which says the same.
    const bool copied =
        job.server.isEmpty()
            ? engine::copyAtOneMoment(live, copies, going, &error,
                                      [&] { manifest.source = liveFingerprint(job.programDir); })
            : serverbackup::snapshot(job.server, copies[0], copies[1], going, &error, &manifest.source);
    if (!copied)
        return error.isEmpty() ? stopped() : failed(error);
    // The full checks read the copies while they are compressed.
    std::vector<std::unique_ptr<engine::IntegrityCheck>> checks;
    for (const QString& copy : std::as_const(copies))
        checks.push_back(std::make_unique<engine::IntegrityCheck>(copy, engine::Check::Full));
    for (int i = 0; i < kFiles.size(); ++i) {
        FileFacts facts{.name = kFiles[i], .size = 0, .sha256 = {}, .tables = {}};
        if (!compress(copies[i], QDir(staging.path()).filePath(kFiles[i]), &facts, goOn, &error)) {
            for (const auto& c : checks)
                c->stop();
            return error.isEmpty() ? stopped() : failed(error);
        }
        manifest.files << facts;
    }
    bool stoppedChecks = false;
    const QStringList damage = engine::finishChecks(checks, goOn, &stoppedChecks);
    if (stoppedChecks)
        return stopped();
    for (int i = 0; i < kFiles.size(); ++i) {
        QString problem = damage[i];
        if (problem.isEmpty())
            problem = schema::checkDatabaseFile(copies[i], kFiles[i], schema::Upgrade::No);
        if (!problem.isEmpty()) {
            outcome.kind = Outcome::Kind::Damaged;
            outcome.message = QStringLiteral("\"%1\" dosyası bozuk; otomatik yedek alınmadı. Önceki "
                                             "yedeklerin hepsi saklanıyor.\n\n%2")
                                  .arg(QDir::toNativeSeparators(live[i]), problem);
            return outcome;
        }
        manifest.files[i].tables = countRows(copies[i]);
    }
    checks.clear();
    for (const QString& copy : std::as_const(copies))
        QFile::remove(copy);
    manifest.checked = true;

    // The manifest goes last: a folder with it describes files already on the disk.
    const QByteArray text = toText(manifest);
    QFile out(QDir(staging.path()).filePath(kManifest));
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.flush() ||
        ::fsync(out.handle()) != 0)
        return failed(platform::turkishSystemError(out.errorString()));
    out.close();
    if (!platform::syncPath(staging.path()))
        return failed(platform::turkishSystemError(errno));
    if (!goOn())
        return stopped();
    outcome.folder = QDir(folder).filePath(freeName(folder, job.moment));
    if (std::rename(QFile::encodeName(staging.path()).constData(),
                    QFile::encodeName(outcome.folder).constData()) != 0)
        return failed(platform::turkishSystemError(errno));
    staging.setAutoRemove(false);
    platform::syncPath(folder);
    outcome.kind = Outcome::Kind::Made;
    prune(folder);
    if (!job.secondPlace.isEmpty())
        outcome.secondPlaceMissing =
            !QFileInfo(job.secondPlace).isDir() || !mirror(outcome.folder, job.secondPlace);
    return outcome;
}

QString extract(const QString& folder, const QStringList& names, const QString& into,
                const std::function<bool(qint64, qint64)>& goOn, bool* stopped) {
    const std::optional<Manifest> manifest = readManifest(folder);
    qint64 total = 0, done = 0;
    if (manifest)
        for (const FileFacts& f : manifest->files)
            total += std::max<qint64>(f.size, 0);
    for (const QString& name : names) {
        const QString path = QDir(folder).filePath(name);
        const auto mismatch = [&] {
            return QStringLiteral(
                       "\"%1\" yedekteki haliyle aynı değil (boyutu ya da SHA-256 özeti tutmuyor); "
                       "geri alma yapılmadı, mevcut bilgiler değişmedi.")
                .arg(QDir::toNativeSeparators(path));
        };
        const FileFacts* facts = nullptr;
        if (manifest)
            for (const FileFacts& f : manifest->files)
                if (f.name.compare(name, Qt::CaseInsensitive) == 0)
                    facts = &f;
        QFile in(path);
        if (!facts || !in.open(QIODevice::ReadOnly))
            return mismatch();
        const QString target = QDir(into).filePath(name);
        const int out =
            ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (out < 0)
            return platform::turkishSystemError(errno);
        ZSTD_DCtx* dctx = ZSTD_createDCtx();
        Sha256 hash;
        std::vector<char> input(ZSTD_DStreamInSize()), output(ZSTD_DStreamOutSize());
        qint64 size = 0;
        QString error;
        bool ok = true, ended = true;
        while (ok) {
            const qint64 n = in.read(input.data(), qint64(input.size()));
            if (n <= 0) {
                ok = n == 0;
                break;
            }
            ZSTD_inBuffer src{input.data(), size_t(n), 0};
            while (ok && src.pos < src.size) {
                ZSTD_outBuffer dst{output.data(), output.size(), 0};
                const size_t left = ZSTD_decompressStream(dctx, &dst, &src);
                ok = !ZSTD_isError(left);
                ended = left == 0;
                hash.addData(output.data(), dst.pos);
                size += qint64(dst.pos);
                ok = ok && size <= facts->size && writeAll(out, output.data(), dst.pos, &error);
            }
            done += n;
            if (ok && goOn && !goOn(done, total)) {
                ZSTD_freeDCtx(dctx);
                ::close(out);
                *stopped = true;
                return {};
            }
        }
        ZSTD_freeDCtx(dctx);
        ::close(out);
        if (!error.isEmpty())
            return error;
        if (!ok || !ended || size != facts->size || hash.hex() != facts->sha256)
            return mismatch();
    }
    return {};
}

Runner::Runner(QObject* parent)
    : QObject(parent) {
    watch_.setInterval(10);
    connect(&watch_, &QTimer::timeout, this, &Runner::deliverIfDone);
}

Runner::~Runner() {
    stop();
    if (future_.valid())
        future_.wait();
}

bool Runner::start(const Job& job) {
    if (running())
        return false;
    stop_ = false;
    future_ = std::async(std::launch::async, [this, job] { return make(job, [this] { return !stop_; }); });
    watch_.start();
    return true;
}

void Runner::wait(const std::function<bool()>& goOn) {
    while (future_.valid() && future_.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        if (!stop_ && !goOn())
            stop();
    deliverIfDone();
}

void Runner::deliverIfDone() {
    if (!future_.valid() || future_.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    watch_.stop();
    const Outcome outcome = future_.get();
    Q_EMIT finished(outcome);
}

} // namespace autobackup
