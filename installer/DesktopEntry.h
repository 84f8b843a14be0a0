#pragma once

#include <QString>

// The text of a freedesktop desktop entry (this platform's shortcut) that starts `program`, an
// absolute path, with `workingDirectory` as its current directory. Any path works: the values
// are escaped as the desktop entry format requires.
QString desktopEntry(const QString& name, const QString& comment, const QString& program,
                     const QString& workingDirectory, const QString& icon);
