#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

// A registry branch kept in a text file that a person can read and edit. Key paths are
// backslash-separated ("LoginExTov\Tov\Properties"); every value keeps its registry type and its
// exact bytes.
namespace registry {

// The registry's number for a text value; the only type the program writes.
inline constexpr quint32 kTypeString = 1;

struct Value {
    quint32 type = 0;
    QByteArray data;
    bool operator==(const Value&) const = default;
};

// The shell folders key is the system's, not the file's: it is answered from the user's folders
// (ShellFolders.h) and cannot be changed or deleted.
//
// Nothing is cached: every call reads the file, and every change rewrites it whole through a
// temporary file that replaces the old one only when complete, so a crash mid-write leaves the
// previous contents. Calls that change the store return false when nothing was changed.
class Store {
public:
    explicit Store(QString filePath);
    const QString& filePath() const { return path_; }

    bool keyExists(const QString& keyPath) const;
    std::optional<Value> value(const QString& keyPath, const QString& name) const;
    // Creates the levels of the path that are missing.
    bool setValue(const QString& keyPath, const QString& name, const Value& value) const;
    // Deletes the key with its values; refused while the key has subkeys.
    bool deleteKey(const QString& keyPath) const;

private:
    QString path_;
};

// The current user's branch: ${XDG_CONFIG_HOME:-$HOME/.config}/KelvoraTeknikServis/registry.txt,
// looked up at each call so that a changed environment takes effect.
Store currentUser();

// Runs while a change is written but not yet in place; tests kill the process here to show that
// the store survives. An empty function removes the hook.
void setBeforeCommitHook(std::function<void()> hook);

} // namespace registry
