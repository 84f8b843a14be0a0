// st6unst.exe -n "st6unst.log": removes the installation the log in the current directory lists,
// then says in a small window what was removed and where the data stays.

#include "Removal.h"
#include "ui/Dialogs.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    // A window nobody can see would wait for ever for its button.
    const bool display =
        (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) &&
        qEnvironmentVariable("QT_QPA_PLATFORM") != QLatin1String("offscreen");
    // Started without a display, it still removes the files and says so on its output.
    if (!display)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("st6unst"));
    const QStringList args = app.arguments();
    const qsizetype n = args.indexOf(QStringLiteral("-n"));
    QString text;
    bool trouble = true;
    if (n < 0 || n + 1 >= args.size()) {
        text = QStringLiteral("Kullanım: st6unst.exe -n \"st6unst.log\"");
    } else {
        const RemovalReport report = removeInstallation(args[n + 1]);
        text = removalMessage(report);
        trouble = !report.logRead || !report.failed.isEmpty();
    }
    if (!display) {
        QTextStream(trouble ? stderr : stdout) << text << '\n';
        return trouble ? 1 : 0;
    }
    const QString title = QStringLiteral("Kelvora Teknik Servis Kaldırma");
    ui::dialogs().message(nullptr, title, text, trouble ? ui::Icon::Exclamation : ui::Icon::Information,
                          ui::Buttons::Ok, ui::Answer::Ok);
    return trouble ? 1 : 0;
}
