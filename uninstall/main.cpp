#include "EventLoopWaiter.h"
#include "Launcher.h"
#include "x11/XlibTopLevelWindows.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    x11::XlibTopLevelWindows windows;
    // Without a display there is nothing to close and nothing to show, and the rest still runs.
    if (!windows.connected() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Uninstall"));
    EventLoopWaiter waiter;
    Launcher launcher(windows, waiter, [](const QString& text) {
        QMessageBox::warning(nullptr, QStringLiteral("Kelvora Teknik Servis Kaldırma"), text);
    });
    return launcher.Form_Load() ? 0 : 1;
}
