#include "EventLoopWaiter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

void EventLoopWaiter::pause(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void EventLoopWaiter::processEvents() {
    QCoreApplication::processEvents();
}
