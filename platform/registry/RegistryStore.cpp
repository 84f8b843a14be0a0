#include "RegistryStore.h"

#include "ShellFolders.h"
#include "codepage/CodePage1254.h"
#include "files/RegularFile.h"
#include "files/SystemError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QMap>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>

namespace registry {

namespace {

using Values = QMap<QString, Value>;
using Keys = QMap<QString, Values>; // by full key path

const QLatin1String kHeader("# Registry of the current user (Kelvora Teknik Servis).\n"
                            "# [key path], then one value per line: \"name\" = type \"data\".\n"
                            "# Type 1 is text. Data are code page 1254 bytes; \\xHH is a byte by number,\n"
                            "# \\\\ a backslash and \\\" a quote.\n");

std::function<void()>& beforeCommitHook() {
    static std::function<void()> hook;
    return hook;
}

bool isControl(char16_t c) {
    return c < 0x20 || c == 0x7F;
}

// Levels must be non-empty and free of control characters, which would break the file's lines, and
// within the registry's limits.
bool isValidPath(const QString& path) {
    if (path.isEmpty() || path.count(u'\\') >= kMaxKeyLevels)
        return false;
    for (const QStringView level : QStringView(path).split(u'\\')) {
        if (level.isEmpty() || level.size() > kMaxKeyNameLength ||
            std::any_of(level.begin(), level.end(), [](QChar c) { return isControl(c.unicode()); }))
            return false;
    }
    return true;
}

bool hasSubkeys(const Keys& keys, const QString& path) {
    const QString prefix = path + u'\\';
    // Keys sort by path, so the subkeys follow the path's own place.
    const auto next = keys.lowerBound(prefix);
    return next != keys.cend() && next.key().startsWith(prefix);
}

// A key exists when it was written, or when a key below it was.
bool exists(const Keys& keys, const QString& path) {
    return keys.contains(path) || hasSubkeys(keys, path);
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString notAFile(const QString& path) {
    return QStringLiteral("%1 bir dosya değil; yerinde bir klasör ya da özel bir dosya var.")
        .arg(native(path));
}

void appendEscaped(QString& out, uchar code) {
    out += QStringLiteral("\\x%1").arg(code, 2, 16, QLatin1Char('0'));
}

QString quoteName(const QString& name) {
    QString out(u'"');
    for (const QChar c : name) {
        if (c == u'\\' || c == u'"')
            out += u'\\';
        if (isControl(c.unicode()))
            appendEscaped(out, static_cast<uchar>(c.unicode()));
        else
            out += c;
    }
    return out + u'"';
}

// Bytes that show as a visible character are written as that character, the rest by number.
QString quoteData(const QByteArray& data) {
    QString out(u'"');
    for (const char byte : data) {
        const auto b = static_cast<uchar>(byte);
        const QChar c = cp1254::toUnicode(b);
        if (c == u'\\' || c == u'"')
            out += u'\\';
        if (!c.isPrint() || (c.isSpace() && c != u' '))
            appendEscaped(out, b);
        else
            out += c;
    }
    return out + u'"';
}

struct NameSink {
    QString out;
    void literal(QChar c) { out += c; }
    void byte(uchar b) { out += QChar(b); }
};

struct DataSink {
    QByteArray out;
    void literal(QChar c) { out += static_cast<char>(cp1254::fromUnicode(c).value_or('?')); }
    void byte(uchar b) { out += static_cast<char>(b); }
};

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

template <typename Sink> bool readQuoted(QStringView line, qsizetype& pos, Sink& sink) {
    if (pos >= line.size() || line[pos] != u'"')
        return false;
    for (++pos; pos < line.size(); ++pos) {
        const QChar c = line[pos];
        if (c == u'"') {
            ++pos;
            return true;
        }
        if (c != u'\\') {
            sink.literal(c);
            continue;
        }
        if (++pos >= line.size())
            return false;
        if (line[pos] == u'x') {
            const int high = pos + 2 < line.size() ? hexDigit(line[pos + 1]) : -1;
            const int low = high >= 0 ? hexDigit(line[pos + 2]) : -1;
            if (low < 0)
                return false;
            sink.byte(static_cast<uchar>(high * 16 + low));
            pos += 2;
        } else if (line[pos] == u'\\' || line[pos] == u'"') {
            sink.literal(line[pos]);
        } else {
            return false;
        }
    }
    return false;
}

void skipSpaces(QStringView line, qsizetype& pos) {
    while (pos < line.size() && line[pos].isSpace())
        ++pos;
}

// One line `"name" = type "data"`; nothing when it does not have that form.
std::optional<std::pair<QString, Value>> parseValue(QStringView line) {
    qsizetype pos = 0;
    NameSink name;
    if (!readQuoted(line, pos, name))
        return std::nullopt;
    skipSpaces(line, pos);
    if (pos >= line.size() || line[pos] != u'=')
        return std::nullopt;
    skipSpaces(line, ++pos);
    const qsizetype typeStart = pos;
    while (pos < line.size() && line[pos].isDigit())
        ++pos;
    bool ok = false;
    const quint32 type = line.mid(typeStart, pos - typeStart).toUInt(&ok);
    if (!ok)
        return std::nullopt;
    skipSpaces(line, pos);
    DataSink data;
    if (!readQuoted(line, pos, data))
        return std::nullopt;
    skipSpaces(line, pos);
    if (pos != line.size())
        return std::nullopt;
    return std::pair{name.out, Value{type, data.out}};
}

struct Loaded {
    Keys keys;
    bool complete = true; // every line was understood
};

// A person may have edited the file: lines that cannot be understood are passed over, and the
// file is marked as not wholly read.
Loaded parse(const QString& text) {
    Loaded loaded;
    Keys& keys = loaded.keys;
    QString current;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            current = line.mid(1, line.size() - 2).toString();
            if (isValidPath(current))
                keys[current];
            else {
                current.clear();
                loaded.complete = false;
            }
            continue;
        }
        std::optional<std::pair<QString, Value>> value;
        if (!current.isEmpty())
            value = parseValue(line);
        if (value)
            keys[current].insert(value->first, value->second);
        else
            loaded.complete = false;
    }
    return loaded;
}

QString serialize(const Keys& keys) {
    QString text = kHeader;
    for (auto key = keys.cbegin(); key != keys.cend(); ++key) {
        text += QLatin1String("\n[") + key.key() + QLatin1String("]\n");
        for (auto v = key->cbegin(); v != key->cend(); ++v)
            text += quoteName(v.key()) + QLatin1String(" = ") + QString::number(v->type) + u' ' +
                    quoteData(v->data) + u'\n';
    }
    return text;
}

struct Read {
    std::optional<Loaded> loaded; // nothing when the file exists but cannot be read
    QByteArray bytes;             // what was read of it
    QString error;
};

// A FIFO or a device in the file's place is not opened (open() would wait for ever), and a huge
// file is read only up to the cap. Writing after a failed read would wipe the settings in the file.
Read load(const QString& path) {
    Read read;
    platform::FileRead file = platform::readRegularFile(path, kMaxFileBytes);
    switch (file.status) {
    case platform::FileRead::Missing:
        read.loaded = Loaded();
        return read;
    case platform::FileRead::NotRegular:
        read.error = notAFile(path);
        return read;
    case platform::FileRead::Failed:
        read.error =
            QStringLiteral("%1 okunamadı: %2").arg(native(path), platform::turkishSystemError(file.error));
        return read;
    case platform::FileRead::Ok:
        break;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(file.data);
    read.loaded = parse(text);
    if (utf8.hasError() || file.truncated)
        read.loaded->complete = false;
    read.bytes = std::move(file.data);
    return read;
}

// What could not be read is the user's still: before the file is replaced, it is kept beside it,
// the first time only, so a later write never overwrites the original. What is kept is what was
// read, so that nothing in the file's place is opened a second time.
void keepUnreadable(const QString& path, const QByteArray& bytes) {
    const QString kept = path + QLatin1String(".okunamadi");
    if (QFileInfo::exists(kept) || QFileInfo(kept).isSymLink())
        return;
    QSaveFile file(kept);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
        file.commit();
}

Outcome save(const QString& path, const Keys& keys) {
    QSaveFile file(path);
    const auto failed = [&] {
        return Outcome{false, QStringLiteral("%1 yazılamadı: %2")
                                  .arg(native(path), platform::turkishSystemError(file.errorString()))};
    };
    if (!file.open(QIODevice::WriteOnly))
        return failed();
    const QByteArray bytes = serialize(keys).toUtf8();
    if (file.write(bytes) != bytes.size() || !file.flush())
        return failed();
    if (beforeCommitHook())
        beforeCommitHook()();
    if (!file.commit())
        return failed();
    return {true, {}};
}

// Serialises the read-change-write of concurrent writers, such as two copies of the program.
template <typename Change> Outcome update(const QString& path, Change change) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return {false, QStringLiteral("%1 klasörü oluşturulamadı.").arg(native(folder))};
    // Anything but a file in the lock's place would keep the lock trying for its whole wait.
    const QString lockPath = path + QLatin1String(".lock");
    const QFileInfo lockInfo(lockPath);
    if (lockInfo.isSymLink() || (lockInfo.exists() && !platform::isRegularFile(lockPath)))
        return {false, notAFile(lockPath)};
    QLockFile lock(lockPath);
    if (!lock.tryLock(5000)) {
        if (lock.error() == QLockFile::LockFailedError)
            return {false, QStringLiteral("%1 başka bir program tarafından kullanılıyor.").arg(native(path))};
        if (lock.error() == QLockFile::PermissionError)
            return {false, QStringLiteral("%1 oluşturulamadı: %2")
                               .arg(native(lockPath), platform::turkishSystemError(EACCES))};
        return {false, QStringLiteral("%1 kilitlenemedi.").arg(native(lockPath))};
    }
    Read read = load(path);
    if (!read.loaded)
        return {false, read.error};
    if (!change(read.loaded->keys))
        return {false, {}};
    if (!read.loaded->complete)
        keepUnreadable(path, read.bytes);
    return save(path, read.loaded->keys);
}

} // namespace

Store::Store(QString filePath)
    : path_(std::move(filePath)) {}

bool Store::keyExists(const QString& keyPath) const {
    if (isShellFoldersKey(keyPath))
        return true;
    const std::optional<Loaded> loaded = load(path_).loaded;
    return loaded && exists(loaded->keys, keyPath);
}

std::optional<Value> Store::value(const QString& keyPath, const QString& name) const {
    if (isShellFoldersKey(keyPath)) {
        const std::optional<QString> folder = shellFolder(name);
        if (!folder)
            return std::nullopt;
        return Value{kTypeString, cp1254::fromUnicode(*folder)};
    }
    const std::optional<Loaded> loaded = load(path_).loaded;
    if (!loaded)
        return std::nullopt;
    const auto key = loaded->keys.constFind(keyPath);
    if (key == loaded->keys.cend())
        return std::nullopt;
    const auto v = key->constFind(name);
    if (v == key->cend())
        return std::nullopt;
    return *v;
}

Outcome Store::setValue(const QString& keyPath, const QString& name, const Value& value) const {
    if (!isValidPath(keyPath) || isShellFoldersKey(keyPath))
        return {};
    return update(path_, [&](Keys& keys) {
        keys[keyPath].insert(name, value);
        return true;
    });
}

Outcome Store::deleteKey(const QString& keyPath) const {
    if (isShellFoldersKey(keyPath))
        return {};
    return update(path_, [&](Keys& keys) {
        const auto key = keys.find(keyPath);
        if (key == keys.end() || hasSubkeys(keys, keyPath))
            return false;
        keys.erase(key);
        // The key above stays, even when this was the only key below it.
        const qsizetype cut = keyPath.lastIndexOf(u'\\');
        if (cut > 0 && !exists(keys, keyPath.left(cut)))
            keys.insert(keyPath.left(cut), {});
        return true;
    });
}

Store currentUser() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QLatin1String("/.config");
    return Store(base + QLatin1String("/KelvoraTeknikServis/registry.txt"));
}

void setBeforeCommitHook(std::function<void()> hook) {
    beforeCommitHook() = std::move(hook);
}

} // namespace registry
