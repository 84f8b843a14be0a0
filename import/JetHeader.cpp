#include "JetHeader.h"

#include "files/RegularFile.h"

namespace jet {

Format fileFormat(const QString& path) {
    // A FIFO or a device in the file's place would block an ordinary open for ever.
    const QByteArray head = platform::readRegularFile(path, 0x15).data;
    if (head.size() < 0x15)
        return Format::NotJet;
    const QByteArray signature = head.mid(4, 16);
    const auto version = static_cast<unsigned char>(head.at(0x14));
    if (signature == QByteArray("Standard Jet DB\0", 16))
        return version == 0 ? Format::Jet3 : Format::Jet4;
    if (signature == QByteArray("Standard ACE DB\0", 16))
        return Format::Ace;
    return Format::NotJet;
}

QString formatName(Format format) {
    switch (format) {
    case Format::Jet3:
        return QStringLiteral("Access 97 (Jet 3)");
    case Format::Jet4:
        return QStringLiteral("Access 2000-2003 (Jet 4)");
    case Format::Ace:
        return QStringLiteral("Access 2007 ve sonrası (ACE)");
    case Format::NotJet:
        break;
    }
    return {};
}

} // namespace jet
