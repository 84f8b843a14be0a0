#include "JetDateTime.h"

#include <QDate>
#include <cmath>

namespace jet {

namespace {

// Whole days and seconds of the day, rounded to the second; a time that rounds up to midnight
// belongs to the next day.
std::pair<qint64, int> split(double days) {
    double whole = std::trunc(days);
    qint64 seconds = std::llround(std::fabs(days - whole) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        whole += 1;
    }
    return {static_cast<qint64>(whole), static_cast<int>(seconds)};
}

} // namespace

QString dateText(double days) {
    return QDate(1899, 12, 30).addDays(split(days).first).toString(QStringLiteral("yyyy-MM-dd"));
}

QString timeText(double days) {
    const int s = split(days).second;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace jet
