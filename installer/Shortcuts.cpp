#include "Shortcuts.h"

#include "ConfinedFolder.h"
#include "files/RegularFile.h"
#include "registry/ShellFolders.h"

#include <QFileInfo>
#include <QStringDecoder>

namespace shortcuts {

namespace {

// A desktop entry is a few hundred bytes; anything far larger is not one of ours.
constexpr qint64 kMaxEntryBytes = 64 * 1024;

// The escapes of a string value: \s \n \t \r \\.
QString unescapeValue(QStringView value) {
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i].unicode()) {
        case u's':
            out += u' ';
            break;
        case u'n':
            out += u'\n';
            break;
        case u't':
            out += u'\t';
            break;
        case u'r':
            out += u'\r';
            break;
        default:
            out += value[i];
        }
    }
    return out;
}

// The program Exec starts: its first argument, unquoted; "%%" stands for "%".
QString execProgram(const QString& exec) {
    QString program;
    if (exec.startsWith(u'"')) {
        qsizetype i = 1;
        for (; i < exec.size() && exec[i] != u'"'; ++i) {
            if (exec[i] == u'\\' && i + 1 < exec.size())
                ++i;
            program += exec[i];
        }
        if (i == exec.size())
            return QString();
    } else {
        program = exec.section(u' ', 0, 0);
    }
    return program.replace(QLatin1String("%%"), QLatin1String("%"));
}

QString realFolder(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

} // namespace

bool startsProgramIn(const QByteArray& text, const QString& programDirectory) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString entry = utf8(text);
    if (utf8.hasError())
        return false;
    QString exec, path;
    bool inMainGroup = false;
    for (QStringView line : QStringView(entry).split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inMainGroup || equals < 0)
            continue;
        const QStringView key = line.first(equals).trimmed();
        if (key == QLatin1String("Exec"))
            exec = unescapeValue(line.sliced(equals + 1).trimmed());
        else if (key == QLatin1String("Path"))
            path = unescapeValue(line.sliced(equals + 1).trimmed());
    }
    const QString program = execProgram(exec);
    if (!QFileInfo(program).isAbsolute())
        return false;
    const QString ours = realFolder(programDirectory);
    if (ours.isEmpty() || realFolder(QFileInfo(program).absolutePath()) != ours)
        return false;
    return path.isEmpty() || realFolder(path) == ours;
}

Result removeIfOurs(const QString& path, const QString& programDirectory) {
    const QFileInfo info(path);
    if (!info.isAbsolute() || !info.fileName().endsWith(registry::kShortcutExtension))
        return Result::NotOurs;
    const QString folder = realFolder(info.absolutePath());
    if (folder.isEmpty())
        return Result::Gone;
    for (const QString& name : {QStringLiteral("Programs"), QStringLiteral("Desktop")}) {
        const std::optional<QString> shellFolder = registry::shellFolder(name);
        if (!shellFolder || realFolder(*shellFolder) != folder)
            continue;
        const platform::FileRead read = platform::readRegularFile(path, kMaxEntryBytes);
        if (read.status == platform::FileRead::Missing && !info.isSymLink())
            return Result::Gone;
        if (read.status != platform::FileRead::Ok || read.truncated ||
            !startsProgramIn(read.data, programDirectory))
            return Result::NotOurs;
        const ConfinedFolder shortcuts(folder);
        const std::optional<QString> inside = shortcuts.resolve(info.fileName());
        if (!inside)
            return Result::NotOurs;
        switch (shortcuts.removeFile(*inside)) {
        case ConfinedFolder::Result::Removed:
            return Result::Removed;
        case ConfinedFolder::Result::Gone:
            return Result::Gone;
        case ConfinedFolder::Result::Refused:
            return Result::NotOurs;
        case ConfinedFolder::Result::Failed:
            return Result::Failed;
        }
    }
    return Result::NotOurs;
}

} // namespace shortcuts
