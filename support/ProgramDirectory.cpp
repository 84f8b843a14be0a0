#include "ProgramDirectory.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString& overridden() {
    static QString dir;
    return dir;
}
} // namespace

QString programDirectory() {
    if (!overridden().isEmpty())
        return overridden();
    return QCoreApplication::applicationDirPath();
}

void setProgramDirectory(const QString& directory) {
    QString d = QDir::cleanPath(directory);
    while (d.size() > 1 && d.endsWith(u'/'))
        d.chop(1);
    overridden() = d;
}

QString programFile(const QString& name) {
    return programDirectory() + u'/' + name;
}
