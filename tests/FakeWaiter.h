#pragma once

#include "Waiter.h"

#include <QStringList>

// Time that passes only in pauses, written to the shared log, so that a test of a thirty-second
// limit runs at once.
class FakeWaiter : public Waiter {
public:
    explicit FakeWaiter(QStringList& log)
        : log_(log) {}

    void pause(int milliseconds) override {
        log_.append(QStringLiteral("pause %1").arg(milliseconds));
        now_ += milliseconds;
    }
    void processEvents() override { log_.append(QStringLiteral("events")); }
    qint64 nowMs() const override { return now_; }

private:
    QStringList& log_;
    qint64 now_ = 0;
};
