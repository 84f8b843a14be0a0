#pragma once

#include <QString>

// The directory of the running program, without a trailing separator. Files in it are addressed
// as programDirectory() + "/" + name; tests point it at a folder of their own.
QString programDirectory();
void setProgramDirectory(const QString& directory);
QString programFile(const QString& name);
