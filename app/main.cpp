#include "frmServis.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("KelvoraTeknikServis"));
    frmServis window;
    if (!window.Form_Load())
        return 1;
    return app.exec();
}
