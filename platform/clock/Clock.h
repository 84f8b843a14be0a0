#pragma once

#include <QDateTime>
#include <functional>

// The one source of "now" for the program: the pickers' defaults, the dates of used items, the
// names of backups. Tests set a fixed moment so that nothing depends on the hour they run at.
namespace wallclock {

QDateTime now();
inline QDate today() {
    return now().date();
}

// Replaces the source of the moment; an empty function puts the system clock back.
void setSource(std::function<QDateTime()> source);

} // namespace wallclock
