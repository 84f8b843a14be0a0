#include "EventLoopWaiter.h"
#include "Launcher.h"
#include "ui/Dialogs.h"
#include "x11/XlibTopLevelWindows.h"

#include <QApplication>

int main(int argc, char** argv) {
    x11::XlibTopLevelWindows windows;
    // Without a display there is nothing to close and nothing to show, and the rest still runs.
    if (!windows.connected() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Uninstall"));
    EventLoopWaiter waiter;
    Launcher launcher(windows, waiter, [](const QString& text) {
        ui::dialogs().message(nullptr, QStringLiteral("Kelvora Teknik Servis Kaldırma"), text,
                              ui::Icon::Exclamation, ui::Buttons::Ok, ui::Answer::Ok);
    });
    return launcher.Form_Load() ? 0 : 1;
}
