#include "SafetyCopy.h"

#include "engine/DatabaseFiles.h"
#include "files/RegularFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Which file a name stands for: a rename puts another file under it.
QString identity(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return QStringLiteral("%1:%2").arg(st.st_dev).arg(st.st_ino);
}

// Renames the kept files back over the live ones; false with `error` set on the first that
// cannot go back.
bool putKeptBack(const QString& folder, const QStringList& liveFiles, QString* error) {
    for (const QString& live : liveFiles) {
        const QString kept = QDir(folder).filePath(QFileInfo(live).fileName());
        if (!QFileInfo::exists(kept))
            continue; // put back already, before a crash
        for (const QString& f : engine::companionFiles(live))
            QFile::remove(f);
        // rename() puts the kept file over whatever the failed restore left, in one step.
        if (std::rename(QFile::encodeName(kept).constData(), QFile::encodeName(live).constData()) != 0) {
            *error =
                QStringLiteral("\"%1\" eski haline getirilemedi; güvenlik kopyası \"%2\" klasöründe duruyor.")
                    .arg(QDir::toNativeSeparators(live), QDir::toNativeSeparators(folder));
            return false;
        }
    }
    if (!liveFiles.isEmpty())
        platform::syncPath(QFileInfo(liveFiles.front()).absolutePath());
    return true;
}

void dropAllBut(const QString& programDir, const QString& keep) {
    const QDir dir(programDir);
    for (const QString& name : dir.entryList({SafetyCopy::kPrefix + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot))
        if (dir.filePath(name) != keep)
            QDir(dir.filePath(name)).removeRecursively();
}

} // namespace

SafetyCopy::SafetyCopy(QString programDir)
    : programDir_(std::move(programDir)) {}

bool SafetyCopy::make(const QStringList& liveFiles, QString* error) {
    const QDir dir(programDir_);
    QString name = kPrefix + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    for (int n = 2; QFileInfo::exists(dir.filePath(name)); ++n)
        name = kPrefix + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss")) +
               QStringLiteral(" (%1)").arg(n);
    folder_ = dir.filePath(name);
    if (!dir.mkdir(name)) {
        *error = QStringLiteral("\"%1\" klasörü oluşturulamadı.").arg(QDir::toNativeSeparators(folder_));
        return false;
    }
    QByteArray record;
    for (const QString& live : liveFiles) {
        if (!QFileInfo::exists(live))
            continue;
        const QString kept = QDir(folder_).filePath(QFileInfo(live).fileName());
        if (::link(QFile::encodeName(live).constData(), QFile::encodeName(kept).constData()) != 0 &&
            !QFile::copy(live, kept)) {
            *error =
                QStringLiteral("\"%1\" için güvenlik kopyası alınamadı.").arg(QDir::toNativeSeparators(live));
            QDir(folder_).removeRecursively();
            return false;
        }
        live_ << live;
        record += (QFileInfo(live).fileName() + u'\t' + identity(live) + u'\n').toUtf8();
    }
    // The record is on the disk, with the kept files, before the first live file is replaced.
    QFile underWay(QDir(folder_).filePath(kUnderWay));
    const bool written = underWay.open(QIODevice::WriteOnly) && underWay.write(record) == record.size() &&
                         underWay.flush() && ::fsync(underWay.handle()) == 0;
    underWay.close();
    if (!written || !platform::syncPath(folder_) || !platform::syncPath(programDir_)) {
        *error = QStringLiteral("\"%1\" klasörüne yazılamadı.").arg(QDir::toNativeSeparators(folder_));
        QDir(folder_).removeRecursively();
        return false;
    }
    return true;
}

bool SafetyCopy::putBack(QString* error) {
    if (!putKeptBack(folder_, live_, error))
        return false;
    QDir(folder_).removeRecursively();
    return true;
}

void SafetyCopy::finish() const {
    QFile::remove(QDir(folder_).filePath(kUnderWay));
    dropAllBut(programDir_, folder_);
}

QString SafetyCopy::repairInterrupted(const QString& programDir) {
    const QDir dir(programDir);
    for (const QString& name : dir.entryList({kPrefix + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString folder = dir.filePath(name);
        QFile record(QDir(folder).filePath(kUnderWay));
        if (!record.open(QIODevice::ReadOnly))
            continue;
        QStringList liveFiles;
        bool allReplaced = true;
        for (const QByteArray& line : record.readAll().split('\n')) {
            const QStringList fields = QString::fromUtf8(line).split(u'\t');
            if (fields.size() != 2 || fields[0].contains(u'/'))
                continue;
            const QString live = dir.filePath(fields[0]);
            liveFiles << live;
            const QString now = identity(live);
            allReplaced = allReplaced && !now.isEmpty() && now != fields[1];
        }
        record.close();
        if (allReplaced && !liveFiles.isEmpty()) {
            SafetyCopy done(programDir);
            done.folder_ = folder;
            done.finish();
            return QStringLiteral("Program, yedekten geri alma sürerken kapanmıştı. Geri alma "
                                  "tamamlanmıştı: bilgiler yedekteki halinde.");
        }
        QString error;
        if (!putKeptBack(folder, liveFiles, &error))
            return QStringLiteral("Program, yedekten geri alma sürerken kapanmıştı.\n\n") + error;
        QDir(folder).removeRecursively();
        return QStringLiteral(
            "Program, yedekten geri alma sürerken kapanmıştı. Servis.mdb ile Stok.mdb "
            "yalnızca birlikte geri alınır: bilgiler geri almadan önceki haline getirildi.");
    }
    return {};
}
