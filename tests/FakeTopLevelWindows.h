#pragma once

#include "x11/TopLevelWindows.h"

#include <QStringList>

// A display whose windows close after a set number of close requests (never, when negative; a
// window that "reopens" is replaced by a new one at each request instead, as a question box is).
// Each walk and each request is written to a log shared with the fake waiter, so that a test sees
// the order of walks, requests and pauses.
class FakeTopLevelWindows : public x11::TopLevelWindows {
public:
    struct Window {
        x11::TopLevelWindow window;
        int closesAfter = 1;
        bool reopens = false;
        int requests = 0;
    };

    explicit FakeTopLevelWindows(QStringList& log)
        : log_(log) {}

    void add(const x11::TopLevelWindow& w, int closesAfter = 1, bool reopens = false) {
        windows_.append({w, closesAfter, reopens, 0});
    }
    int requests() const { return requests_; }

    QList<x11::TopLevelWindow> list() override {
        log_.append(QStringLiteral("walk"));
        QList<x11::TopLevelWindow> out;
        for (const Window& w : windows_)
            out.append(w.window);
        return out;
    }

    void requestClose(quint64 id) override {
        ++requests_;
        log_.append(QStringLiteral("close %1").arg(id));
        for (qsizetype i = 0; i < windows_.size(); ++i) {
            Window& w = windows_[i];
            if (w.window.id == id && w.reopens) {
                w.window.id += 1000;
                return;
            }
            if (w.window.id == id && ++w.requests == w.closesAfter) {
                windows_.removeAt(i);
                return;
            }
        }
    }

private:
    QStringList& log_;
    QList<Window> windows_;
    int requests_ = 0;
};
