#include "SafetyCopy.h"

#include "engine/DatabaseFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <unistd.h>

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
    }
    return true;
}

bool SafetyCopy::putBack(QString* error) {
    bool ok = true;
    for (const QString& live : std::as_const(live_)) {
        const QString kept = QDir(folder_).filePath(QFileInfo(live).fileName());
        for (const QString& f : engine::companionFiles(live))
            QFile::remove(f);
        // rename() puts the kept file over whatever the failed restore left, in one step.
        if (std::rename(QFile::encodeName(kept).constData(), QFile::encodeName(live).constData()) != 0) {
            *error =
                QStringLiteral("\"%1\" eski haline getirilemedi; güvenlik kopyası \"%2\" klasöründe duruyor.")
                    .arg(QDir::toNativeSeparators(live), QDir::toNativeSeparators(folder_));
            ok = false;
        }
    }
    if (ok)
        QDir(folder_).removeRecursively();
    return ok;
}

void SafetyCopy::dropEarlier() const {
    const QDir dir(programDir_);
    for (const QString& name : dir.entryList({kPrefix + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot))
        if (dir.filePath(name) != folder_)
            QDir(dir.filePath(name)).removeRecursively();
}
