#pragma once

#include <QString>

// The shortcuts of an installation: desktop entries directly in the applications menu folder or
// the desktop folder that start a program of the installation's program directory. A log line or
// a name pattern alone says nothing of whose an entry is: another program's entry, a user's own
// "Kelvora Teknik Servis notları.desktop" and the entries of another copy of the program all stay.
namespace shortcuts {

enum class Result { Removed, NotOurs, Gone, Failed };

// Whether the desktop entry `text` starts a program that lies directly in `programDirectory`
// (Exec=), and, when it names a working directory (Path=), whether that is the same directory.
bool startsProgramIn(const QByteArray& text, const QString& programDirectory);

// Removes the shortcut at `path` (a link there itself, never its target) when it is one of the
// installation in `programDirectory`.
Result removeIfOurs(const QString& path, const QString& programDirectory);

} // namespace shortcuts
