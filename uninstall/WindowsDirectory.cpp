#include "WindowsDirectory.h"

#include "ProgramDirectory.h"

#include <QDir>

QString windowsDirectory() {
    const QString windir = qEnvironmentVariable("WINDIR");
    if (!windir.isEmpty())
        return QDir::cleanPath(windir);
    return programFile(QStringLiteral("Windows"));
}
