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

// What a change came to. A change that what the store holds refuses (a key with subkeys, a key path
// the registry would not take) is not made and carries no error; one that fails because the file
// cannot be read or written carries a Turkish sentence saying why.
struct Outcome {
    bool done = false;
    QString error;
    explicit operator bool() const { return done; }
};

// As the registry limits them: a key path of at most 512 levels, each name at most 255 characters.
// A longer path in the file is a line that cannot be read.
inline constexpr int kMaxKeyLevels = 512;
inline constexpr int kMaxKeyNameLength = 255;
// The file is read up to this size; what lies beyond is not read.
inline constexpr qint64 kMaxFileBytes = 1024 * 1024;

// The shell folders key is the system's, not the file's: it is answered from the user's folders
// (ShellFolders.h) and cannot be changed or deleted.
//
// Nothing is cached: every call reads the file, and every change rewrites it whole through a
// temporary file that replaces the old one only when complete, so a crash mid-write leaves the
// previous contents. Only keys that were written are kept; the levels above a key exist because it
// does. Lines that cannot be read are passed over, and what was read of the file is kept beside it
// as registry.txt.okunamadi before the first change replaces it.
class Store {
public:
    explicit Store(QString filePath);
    const QString& filePath() const { return path_; }

    bool keyExists(const QString& keyPath) const;
    std::optional<Value> value(const QString& keyPath, const QString& name) const;
    // Creates the levels of the path that are missing.
    Outcome setValue(const QString& keyPath, const QString& name, const Value& value) const;
    // Deletes the key with its values; refused while the key has subkeys. The key above it stays.
    Outcome deleteKey(const QString& keyPath) const;

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
