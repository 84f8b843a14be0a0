#include "Removal.h"

#include "ConfinedFolder.h"
#include "InstallLog.h"
#include "Shortcuts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

const QStringList kDataFiles{QStringLiteral("Servis.mdb"), QStringLiteral("Stok.mdb"),
                             QStringLiteral("Satir.dat"), QStringLiteral("StokList.Dat"),
                             QStringLiteral("Barkod.dat")};

bool isBackupFolderName(const QString& name) {
    return name.compare(kBackupFolder, Qt::CaseInsensitive) == 0;
}

// The workshop's data and backups, wherever a log places them.
bool isKept(const QString& resolved) {
    return isBackupFolderName(resolved.section(u'/', 0, 0)) || isDataFileName(resolved.section(u'/', -1));
}

// The folders a removed file lay in, below the program folder.
void addFolders(QSet<QString>& folders, const QString& resolved) {
    for (qsizetype slash = resolved.lastIndexOf(u'/'); slash > 0;
         slash = resolved.lastIndexOf(u'/', slash - 1))
        folders.insert(resolved.left(slash));
}

} // namespace

bool isDataFileName(const QString& name) {
    return kDataFiles.contains(name, Qt::CaseInsensitive);
}

RemovalReport removeInstallation(const QString& logPath) {
    RemovalReport report;
    const QDir folder = QFileInfo(logPath).absoluteDir();
    report.folder = QDir::toNativeSeparators(folder.absolutePath());
    const std::optional<QList<install_log::Entry>> entries = install_log::read(logPath);
    const ConfinedFolder program(folder.absolutePath());
    if (entries && program.isOpen()) {
        report.logRead = true;
        QSet<QString> emptied;
        for (const install_log::Entry& e : *entries) {
            if (e.kind == install_log::Kind::Shortcut) {
                if (shortcuts::removeIfOurs(e.path, folder.absolutePath()) == shortcuts::Result::Failed)
                    report.failed.append(e.path);
                continue;
            }
            if (e.kind != install_log::Kind::File)
                continue;
            const std::optional<QString> inside = program.resolve(e.path);
            if (!inside || isKept(*inside))
                continue;
            switch (program.removeFile(*inside)) {
            case ConfinedFolder::Result::Removed:
                addFolders(emptied, *inside);
                break;
            case ConfinedFolder::Result::Failed:
                report.failed.append(QDir::toNativeSeparators(folder.filePath(*inside)));
                break;
            case ConfinedFolder::Result::Gone:
            case ConfinedFolder::Result::Refused:
                break;
            }
        }
        // Folders the installation made (such as Windows/) go when nothing else is left in them,
        // the deepest first.
        QStringList folders(emptied.cbegin(), emptied.cend());
        std::sort(folders.begin(), folders.end(),
                  [](const QString& a, const QString& b) { return a.count(u'/') > b.count(u'/'); });
        for (const QString& sub : folders)
            if (!isKept(sub))
                program.removeEmptyFolder(sub);
        if (report.failed.isEmpty())
            QFile::remove(logPath);
    }
    for (const QString& name : folder.entryList(QDir::Files))
        if (isDataFileName(name))
            report.dataKept.append(name);
    const QStringList folders = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    report.backupsKept = std::any_of(folders.cbegin(), folders.cend(), isBackupFolderName);
    return report;
}

QString removalMessage(const RemovalReport& report) {
    if (!report.logRead)
        return QStringLiteral("Kurulum günlüğü %1 okunamadı, bu yüzden hiçbir dosya silinmedi.")
            .arg(QDir(report.folder).filePath(install_log::kFileName));
    QString text = report.failed.isEmpty()
                       ? QStringLiteral("Kelvora Teknik Servis bilgisayarınızdan kaldırıldı.")
                       : QStringLiteral("Kelvora Teknik Servis kaldırıldı, ancak şu dosyalar silinemedi:\n") +
                             report.failed.join(u'\n');
    if (report.dataKept.isEmpty() && !report.backupsKept)
        return text;
    text += QStringLiteral("\n\nVerileriniz silinmedi; şu klasörde duruyor:\n%1").arg(report.folder);
    if (!report.dataKept.isEmpty())
        text += QStringLiteral("\n(%1)").arg(report.dataKept.join(QLatin1String(", ")));
    if (report.backupsKept)
        text += QStringLiteral("\nYedekleriniz de silinmedi; %1 klasöründe duruyor.")
                    .arg(QDir::toNativeSeparators(QDir(report.folder).filePath(kBackupFolder)));
    return text;
}
