#pragma once

#include <QString>

namespace jet {

enum class Format { NotJet, Jet3, Jet4, Ace };

// Reads the file's header: the engine signature at offset 4 and the version byte at 0x14.
Format fileFormat(const QString& path);
QString formatName(Format format);

} // namespace jet
