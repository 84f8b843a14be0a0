#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

// The Turkish single-byte code page, used wherever text crosses into the old byte formats.
// Inside the program text is always QString.
namespace cp1254 {

// The character of a byte. The five bytes the code page leaves undefined decode to the
// control character of the same number, so every byte survives a round trip.
QChar toUnicode(uchar byte);
QString toUnicode(QByteArrayView bytes);

// The byte of a character, or nothing when the code page cannot hold it.
std::optional<uchar> fromUnicode(QChar c);
// Each character the code page cannot hold becomes one '?', so a text never loses characters or
// turns into broken bytes.
QByteArray fromUnicode(QStringView text);

} // namespace cp1254
