// The Jet header check on any file: it never reads past what is there, and it names an Access
// format only for a file whose header carries that engine's signature.
#include "JetHeader.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Stok.mdb"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    const jet::Format format = jet::fileFormat(path);
    if (format == jet::Format::NotJet)
        return 0;
    const char* signature = format == jet::Format::Ace ? "Standard ACE DB" : "Standard Jet DB";
    if (size < 0x15 || std::memcmp(data + 4, signature, 16) != 0)
        __builtin_trap();
    if ((format == jet::Format::Jet3) != (data[0x14] == 0 && format != jet::Format::Ace))
        __builtin_trap();
    if (jet::formatName(format).isEmpty())
        __builtin_trap();
    return 0;
}
