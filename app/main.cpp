#include "JetStartup.h"
#include "ProgramDirectory.h"
#include "ProgramStyle.h"
#include "Settings.h"
#include "SingleInstance.h"
#include "engine/Database.h"
#include "frmServis.h"
#include "ui/Dialogs.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("KelvoraTeknikServis"));
    applyProgramStyle();
    SingleInstance instance(programDirectory());
    switch (instance.start()) {
    case SingleInstance::Start::First:
        break;
    case SingleInstance::Start::AskedToShow:
        return 0;
    case SingleInstance::Start::AlreadyRunning:
        ui::MsgBox(nullptr, QStringLiteral("Kelvora Teknik Servis bu klasörde zaten açık."),
                   ui::Icon::Information);
        return 0;
    }
    // With a server set, every desk works on its schemas and the program directory's database
    // files are not used; a server that cannot be reached stops the start (Form_Load says why).
    engine::setServer(settings::sunucu());
    // Old Access files are converted (or the program ends) before anything opens them.
    if (engine::server().isEmpty() && !offerJetConversion(nullptr, programDirectory()))
        return 1;
    frmServis window;
    QObject::connect(&instance, &SingleInstance::showRequested, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    if (!window.Form_Load())
        return 1;
    return app.exec();
}
