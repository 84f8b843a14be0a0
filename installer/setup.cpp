// kts-setup PREFIX FILE...: the last step of the installation. Writes the shortcuts and the
// installation log st6unst.log for the files named (absolute paths: what the installation put
// in place).

#include "DesktopEntry.h"
#include "InstallLog.h"
#include "registry/ShellFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

namespace {

const QString kTitle = QStringLiteral("Kelvora Teknik Servis");

bool writeShortcut(const QString& path, const QString& text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return false;
    // Desktops start only the entries their owner may run.
    return QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
}

int fail(const QString& text) {
    QTextStream(stderr) << "kts-setup: " << text << '\n';
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2)
        return fail(QStringLiteral("usage: kts-setup PREFIX FILE..."));
    const QDir prefix(QDir::cleanPath(QFileInfo(args[1]).absoluteFilePath()));

    QList<install_log::Entry> entries;
    for (const QString& installed : args.mid(2)) {
        const QString relative = prefix.relativeFilePath(installed);
        // Outside the program directory (an uninstaller in WINDIR) is not ours to remove.
        if (!relative.startsWith(QLatin1String("..")) && !QDir::isAbsolutePath(relative))
            entries.append({install_log::Kind::File, relative});
    }
    for (const QString& name : {QStringLiteral("Servis.mdb"), QStringLiteral("Stok.mdb")}) {
        if (QFileInfo::exists(prefix.filePath(name)))
            entries.append({install_log::Kind::Data, name});
    }

    const QString dir = prefix.absolutePath();
    const QString icon = prefix.filePath(QStringLiteral("KelvoraTeknikServis.svg"));
    const QString program = desktopEntry(kTitle, QStringLiteral("Teknik servis kayıtları"),
                                         prefix.filePath(QStringLiteral("KelvoraTeknikServis")), dir, icon);
    const QString uninstall =
        desktopEntry(kTitle + QStringLiteral(" Kaldır"), QStringLiteral("Programı bilgisayardan kaldırır"),
                     prefix.filePath(QStringLiteral("Uninstall")), dir, icon);
    QList<std::pair<QString, QString>> shortcuts; // path, text
    if (const std::optional<QString> menu = registry::shellFolder(QStringLiteral("Programs"))) {
        if (!QDir().mkpath(*menu))
            return fail(QStringLiteral("cannot make ") + *menu);
        shortcuts.append({*menu + u'/' + kTitle + registry::kShortcutExtension, program});
        shortcuts.append(
            {*menu + u'/' + kTitle + QStringLiteral(" Kaldır") + registry::kShortcutExtension, uninstall});
    }
    const std::optional<QString> desktop = registry::shellFolder(QStringLiteral("Desktop"));
    if (desktop && QFileInfo(*desktop).isDir())
        shortcuts.append({*desktop + u'/' + kTitle + registry::kShortcutExtension, program});
    for (const auto& [path, text] : shortcuts) {
        if (!writeShortcut(path, text))
            return fail(QStringLiteral("cannot write ") + path);
        entries.append({install_log::Kind::Shortcut, path});
    }

    if (!install_log::write(prefix.filePath(install_log::kFileName), entries))
        return fail(QStringLiteral("cannot write the installation log in ") + dir);
    return 0;
}
