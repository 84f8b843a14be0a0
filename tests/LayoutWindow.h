#pragma once

#include "Form1.h"
#include "ServisFixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTest>

// The print layout window opened from the service window's "&Yazıcı", with the current directory
// (where Satir.dat lives) in the fixture's program directory.
inline printing::Form1* openLayout(ServisFixture& f) {
    QDir::setCurrent(f.db.dir());
    f.open();
    f.click(QStringLiteral("cmdYazici"));
    auto* layout = f.window().findChild<printing::Form1*>();
    if (!layout)
        qFatal("the layout window did not open");
    // Shortcuts need the layout window active, beside the service window that owns it.
    QApplication::setActiveWindow(layout);
    if (!QTest::qWaitForWindowActive(layout))
        qFatal("the layout window did not become active");
    return layout;
}

inline void trigger(printing::Form1* w, const QString& action) {
    auto* a = w->findChild<QAction*>(action);
    if (!a)
        qFatal("no action %s", qPrintable(action));
    a->trigger();
}
