#include "ProgramStyle.h"

#include <QApplication>

void applyProgramStyle() {
    QApplication::setStyle(QStringLiteral("Windows"));
}
