#include "ShellFolders.h"

#include <QDir>
#include <QStandardPaths>

namespace registry {

std::optional<QString> shellFolder(const QString& valueName) {
    if (valueName.compare(QLatin1String("Desktop"), Qt::CaseInsensitive) == 0) {
        const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
        if (desktop.isEmpty() || QDir(desktop) == QDir::home())
            return std::nullopt;
        return QDir::cleanPath(desktop);
    }
    if (valueName.compare(QLatin1String("Programs"), Qt::CaseInsensitive) == 0) {
        const QString apps = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
        if (apps.isEmpty())
            return std::nullopt;
        return QDir::cleanPath(apps);
    }
    return std::nullopt;
}

// Registry key paths are compared without regard to letter case.
bool isShellFoldersKey(const QString& keyPath) {
    return keyPath.compare(kShellFoldersKey, Qt::CaseInsensitive) == 0;
}

} // namespace registry
