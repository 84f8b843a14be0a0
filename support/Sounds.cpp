#include "Sounds.h"

#include "ProgramDirectory.h"
#include "sound/SoundPlayer.h"

void playSound(const QString& name) {
    const bool fromProgramDirectory =
        name == QLatin1String("Recycle.wav") || name == QLatin1String("Cmd.wav");
    sound::player().play(fromProgramDirectory ? programFile(name) : name);
}
