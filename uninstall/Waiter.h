#pragma once

#include <QtGlobal>

// The launcher's sense of time: pauses that keep processing events, and a clock to measure how
// long a window has been asked to close. Tests pass one that only counts.
class Waiter {
public:
    virtual ~Waiter() = default;
    virtual void pause(int milliseconds) = 0;
    // Processes the events that are pending, once.
    virtual void processEvents() = 0;
    virtual qint64 nowMs() const = 0;
};
