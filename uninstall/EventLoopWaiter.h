#pragma once

#include "Waiter.h"

#include <QElapsedTimer>

// Pauses in a local event loop, so that events go on being processed meanwhile.
class EventLoopWaiter : public Waiter {
public:
    EventLoopWaiter() { clock_.start(); }
    void pause(int milliseconds) override;
    void processEvents() override;
    qint64 nowMs() const override { return clock_.elapsed(); }

private:
    QElapsedTimer clock_;
};
