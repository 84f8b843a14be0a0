#include "SoundPlayer.h"

#include "EffectSoundPlayer.h"

namespace sound {

namespace {
Player* installed = nullptr;
} // namespace

Player& player() {
    static EffectSoundPlayer effects;
    return installed ? *installed : effects;
}

void setPlayer(Player* player) {
    installed = player;
}

} // namespace sound
