#pragma once

#include <QLatin1StringView>
#include <QString>
#include <optional>

// The shell's folders of the current user, as this platform names them. The registry stand-in
// answers the shell folders key from them, so code written against the registry finds the XDG
// user folders.
namespace registry {

inline constexpr QLatin1StringView
    kShellFoldersKey("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");

// What a shortcut file ends with here: a freedesktop desktop entry.
inline constexpr QLatin1StringView kShortcutExtension(".desktop");

// "Desktop": the desktop folder as `xdg-user-dir DESKTOP` names it (XDG_DESKTOP_DIR from
// ${XDG_CONFIG_HOME:-~/.config}/user-dirs.dirs, else ~/Desktop); nothing when it is the home
// folder itself, which is how a user switches the desktop folder off.
// "Programs": the applications menu folder, ${XDG_DATA_HOME:-~/.local/share}/applications.
// Nothing for any other name. The folders need not exist.
std::optional<QString> shellFolder(const QString& valueName);

bool isShellFoldersKey(const QString& keyPath);

} // namespace registry
