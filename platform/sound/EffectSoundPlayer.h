#pragma once

#include "SoundPlayer.h"

#include <QPointer>

class QSoundEffect;

namespace sound {

// Plays through one QSoundEffect, so a new sound replaces the one playing. QMediaPlayer is avoided:
// it blocked the interface for a second per change of file and crashed with no audio device.
class EffectSoundPlayer : public Player {
public:
    void play(const QString& file) override;

private:
    // Owned by the application object, so it goes before the application does even though the
    // default player lives until the end of the process.
    QPointer<QSoundEffect> effect_;
};

} // namespace sound
