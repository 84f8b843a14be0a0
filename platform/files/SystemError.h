#pragma once

#include <QString>

namespace platform {

// A Turkish sentence for an error the operating system reported, with the system's own text kept
// as a detail in brackets: "Diskte yer kalmadı. (No space left on device)".
QString turkishSystemError(int errnum);

// The same for a text that Qt took from the system (QFileDevice::errorString() and the like); a
// text that names no common error is kept as it is after a general sentence.
QString turkishSystemError(const QString& systemText);

} // namespace platform
