#include "InstallLog.h"

#include "files/RegularFile.h"

#include <QDir>
#include <QSaveFile>
#include <QStringDecoder>

namespace install_log {

namespace {

const QLatin1String kHeader("# Kelvora Teknik Servis installation log, read by st6unst.exe.\n"
                            "# <kind><TAB><path>: file and data paths are relative to this folder,\n"
                            "# shortcuts absolute. Files and shortcuts are removed on uninstall,\n"
                            "# data files never.\n");

QString kindName(Kind kind) {
    switch (kind) {
    case Kind::File:
        return QStringLiteral("file");
    case Kind::Shortcut:
        return QStringLiteral("shortcut");
    case Kind::Data:
        return QStringLiteral("data");
    }
    return QString();
}

std::optional<Kind> kindOf(QStringView name) {
    for (const Kind kind : {Kind::File, Kind::Shortcut, Kind::Data}) {
        if (name == kindName(kind))
            return kind;
    }
    return std::nullopt;
}

// A relative path that stays inside the log's folder.
bool staysInside(const QString& path) {
    if (path.isEmpty() || QDir::isAbsolutePath(path))
        return false;
    const QString clean = QDir::cleanPath(path);
    return clean != QLatin1String("..") && !clean.startsWith(QLatin1String("../")) &&
           clean != QLatin1String(".");
}

bool isValid(const Entry& e) {
    if (e.kind == Kind::Shortcut)
        return QDir::isAbsolutePath(e.path);
    return staysInside(e.path);
}

} // namespace

bool write(const QString& logPath, const QList<Entry>& entries) {
    QString text = kHeader;
    for (const Entry& e : entries) {
        if (e.path.contains(u'\n') || e.path.contains(u'\r') || e.path.contains(u'\t') || !isValid(e))
            return false;
        text += kindName(e.kind) + u'\t' + e.path + u'\n';
    }
    QSaveFile file(logPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size() && file.commit();
}

std::optional<QList<Entry>> read(const QString& logPath) {
    const platform::FileRead file = platform::readRegularFile(logPath, kMaxBytes);
    if (file.status != platform::FileRead::Ok || file.truncated)
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(file.data);
    // Another encoding (UTF-16 holds NULs) or bytes that are no text at all.
    if (utf8.hasError() || text.contains(QChar(0)))
        return std::nullopt;
    QList<Entry> entries;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        // Line ends of another system: the lines cannot be told apart.
        if (line.contains(u'\r'))
            return std::nullopt;
        const qsizetype tab = line.indexOf(u'\t');
        if (line.startsWith(u'#') || tab < 0)
            continue;
        const std::optional<Kind> kind = kindOf(line.first(tab));
        const Entry entry{kind.value_or(Kind::File), line.sliced(tab + 1).toString()};
        if (kind && isValid(entry))
            entries.append(entry);
    }
    // Every installation lists its program files: a log without a single entry is not one.
    if (entries.isEmpty())
        return std::nullopt;
    return entries;
}

} // namespace install_log
