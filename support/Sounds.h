#pragma once

#include <QString>

// Starts one of the program's sounds by file name ("Giris.wav", "Kapan.wav", "Recycle.wav",
// "Cmd.wav") and returns at once; a newer sound cuts off an older one. Recycle.wav and Cmd.wav
// are taken from the program directory; Giris.wav and Kapan.wav by bare name, so they are found
// in the current directory, which is the program directory when the program is started normally.
void playSound(const QString& name);
