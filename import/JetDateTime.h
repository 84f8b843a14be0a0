#pragma once

#include <QString>

namespace jet {

// The old engine keeps a date and time as days since 1899-12-30, the fraction being the time of
// day (for days before that the fraction still counts forward). A time alone sits on day 0.
QString dateText(double days); // YYYY-MM-DD
QString timeText(double days); // HH:MM:SS

} // namespace jet
