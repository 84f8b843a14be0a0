#include "Launcher.h"

#include "ProgramDirectory.h"
#include "RegString.h"
#include "Shortcuts.h"
#include "Waiter.h"
#include "WindowsDirectory.h"
#include "engine/Text.h"
#include "registry/ShellFolders.h"
#include "x11/TopLevelWindows.h"

#include <QDir>
#include <QProcess>

#include <algorithm>
#include <optional>

namespace {

const QString kProgramName = QStringLiteral("KelvoraTeknikServis");
const QString kTitleFragment = QStringLiteral("kelvora teknik servis");
const QString kShortcutPattern = QStringLiteral("*Kelvora Teknik Servis*") + registry::kShortcutExtension;
const QString kSettingsKey = QStringLiteral("LoginExTov\\Tov\\Properties");
const QString kLogName = QStringLiteral("st6unst.log");

// The Turkish upper-case folds agree exactly when the Turkish lower-case forms do, so this is
// the lower-cased comparison with i/İ and ı/I kept apart ("TEKNIK" is not "teknik").
bool titleMatches(const QString& title) {
    return !title.isEmpty() && engine::foldText(title).contains(engine::foldText(kTitleFragment));
}

// A title alone would also find an editor with "Kelvora Teknik Servis notları.txt" open. The
// process behind the window says best whose it is; the window class serves when that is unknown.
bool isServiceDeskWindow(const x11::TopLevelWindow& w) {
    if (!titleMatches(w.title))
        return false;
    return w.program.isEmpty() ? w.windowClass == kProgramName : w.program == kProgramName;
}

// Only files directly in the folder: a shortcut in a subfolder belongs to someone else's menu. The
// name says little ("Kelvora Teknik Servis notları.desktop" may be the user's own): only an entry
// that starts a program of this program directory goes.
void deleteShortcuts(const QString& folder) {
    const QDir dir(folder);
    for (const QString& name : dir.entryList({kShortcutPattern}, QDir::Files | QDir::Hidden | QDir::System))
        shortcuts::removeIfOurs(dir.filePath(name), programDirectory());
}

} // namespace

Launcher::Launcher(x11::TopLevelWindows& windows, Waiter& waiter, std::function<void(const QString&)> warn)
    : windows_(windows)
    , waiter_(waiter)
    , warn_(std::move(warn)) {}

bool Launcher::Form_Load() {
    // The uninstaller finds the log by its bare name.
    QDir::setCurrent(programDirectory());
    if (!CloseRunningProgram()) {
        warn_(QStringLiteral("Kelvora Teknik Servis programı kapatılamadı, bu yüzden hiçbir şey "
                             "silinmedi.\n\nProgramı kapatıp kaldırma işlemini yeniden başlatın."));
        return false;
    }
    waiter_.pause(kPauseMs);
    return RemoveTraces();
}

bool Launcher::CloseRunningProgram() {
    // One limit for the whole step, not one per window: a program that answers each request with
    // a new window (a question box) must not keep the launcher asking for ever.
    std::optional<qint64> firstRequest;
    for (;;) {
        const QList<x11::TopLevelWindow> windows = windows_.list();
        const auto match = std::find_if(windows.cbegin(), windows.cend(), isServiceDeskWindow);
        if (match == windows.cend())
            return true;
        const qint64 now = waiter_.nowMs();
        if (!firstRequest)
            firstRequest = now;
        else if (now - *firstRequest >= kCloseLimitMs)
            return false;
        windows_.requestClose(match->id);
        waiter_.pause(kPauseMs);
    }
}

bool Launcher::RemoveTraces() {
    const registry::Store root = registry::currentUser();
    for (const QString& value : {QStringLiteral("Desktop"), QStringLiteral("Programs")}) {
        // Without a folder the pattern would be matched in the current directory: skip instead.
        if (const std::optional<QString> folder = RegReadString(root, registry::kShellFoldersKey, value))
            deleteShortcuts(*folder);
    }
    // Refused while Properties has a subkey; the keys above it stay either way.
    root.deleteKey(kSettingsKey);
    waiter_.processEvents();
    // The command line <Windows directory>/st6unst.exe -n "st6unst.log": the quotes are the
    // command line's, so the program receives the two arguments -n and st6unst.log.
    const QString uninstaller = windowsDirectory() + QStringLiteral("/st6unst.exe");
    if (QProcess::startDetached(uninstaller, {QStringLiteral("-n"), kLogName}, QDir::currentPath()))
        return true;
    // Otherwise the program files would stay while the user believes them gone.
    warn_(QStringLiteral("Kaldırma programı %1 başlatılamadı, bu yüzden program dosyaları silinmedi.")
              .arg(QDir::toNativeSeparators(uninstaller)));
    return false;
}
