#include "Removal.h"

#include "InstallLog.h"
#include "registry/ShellFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace {

const QStringList kDataFiles{QStringLiteral("Servis.mdb"), QStringLiteral("Stok.mdb"),
                             QStringLiteral("Satir.dat"), QStringLiteral("StokList.Dat")};

// The path the entry names, or nothing when it is not one to remove.
QString removablePath(const QDir& folder, const install_log::Entry& e) {
    if (e.kind == install_log::Kind::Data)
        return QString();
    const QString path = e.kind == install_log::Kind::Shortcut ? e.path : folder.filePath(e.path);
    if (isDataFileName(QFileInfo(path).fileName()))
        return QString();
    if (e.kind == install_log::Kind::Shortcut && !path.endsWith(registry::kShortcutExtension))
        return QString();
    return path;
}

} // namespace

bool isDataFileName(const QString& name) {
    return kDataFiles.contains(name, Qt::CaseInsensitive);
}

RemovalReport removeInstallation(const QString& logPath) {
    RemovalReport report;
    const QFileInfo log(logPath);
    const QDir folder = log.absoluteDir();
    report.folder = QDir::toNativeSeparators(folder.absolutePath());
    const std::optional<QList<install_log::Entry>> entries = install_log::read(logPath);
    if (entries) {
        report.logRead = true;
        QSet<QString> emptied;
        for (const install_log::Entry& e : *entries) {
            const QString path = removablePath(folder, e);
            const QFileInfo info(path);
            // Gone already, or a folder: nothing to remove.
            if (path.isEmpty() || (!info.exists() && !info.isSymLink()) ||
                (info.isDir() && !info.isSymLink()))
                continue;
            if (!QFile::remove(path))
                report.failed.append(path);
            else if (e.kind == install_log::Kind::File && e.path.contains(u'/'))
                emptied.insert(QFileInfo(e.path).path());
        }
        // Folders the installation made (such as Windows/) go when nothing else is left in them.
        for (const QString& sub : emptied)
            folder.rmdir(sub);
        if (report.failed.isEmpty())
            QFile::remove(logPath);
    }
    for (const QString& name : folder.entryList(QDir::Files))
        if (isDataFileName(name))
            report.dataKept.append(name);
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
    if (report.dataKept.isEmpty())
        return text;
    return text + QStringLiteral("\n\nVerileriniz silinmedi; şu klasörde duruyor:\n%1\n(%2)")
                      .arg(report.folder, report.dataKept.join(QLatin1String(", ")));
}
