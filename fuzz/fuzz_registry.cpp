// The settings store's file reader on any file content, followed by a write: what it read must
// still be there after the write, and the file written holds no more than what was read (a byte
// may take four characters as \xHH) and the new value: no level of a key path is a key of its own.
#include "registry/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("registry.txt"));
    QFile::remove(path + QStringLiteral(".okunamadi"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    const registry::Store store(path);
    const QString key = QStringLiteral("LoginExTov\\Tov\\Properties");
    const std::optional<registry::Value> before = store.value(key, QStringLiteral("Prn"));
    store.keyExists(key);
    if (!store.setValue(key, QStringLiteral("DataNo"), {registry::kTypeString, QByteArray("01-0001-01")}))
        __builtin_trap();
    if (store.value(key, QStringLiteral("Prn")) != before)
        __builtin_trap();
    if (QFileInfo(path).size() > 4 * qint64(size) + 4096)
        __builtin_trap();
    store.deleteKey(QStringLiteral("LoginExTov"));
    return 0;
}
