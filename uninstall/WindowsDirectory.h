#pragma once

#include <QString>

// Where the setup toolkit's uninstaller lives: the environment variable WINDIR when set, else the
// folder "Windows" of the program directory (the installation puts it in the same place).
QString windowsDirectory();
