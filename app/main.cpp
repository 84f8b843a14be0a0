#include "JetStartup.h"
#include "ProgramDirectory.h"
#include "frmServis.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("KelvoraTeknikServis"));
    // Old Access files are converted (or the program ends) before anything opens them.
    if (!offerJetConversion(nullptr, programDirectory()))
        return 1;
    frmServis window;
    if (!window.Form_Load())
        return 1;
    return app.exec();
}
