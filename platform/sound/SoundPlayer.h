#pragma once

#include <QString>

namespace sound {

// Starts wave files. Playing is asynchronous: the program never waits for a sound to end.
class Player {
public:
    virtual ~Player() = default;
    // Starts the file, cutting off any sound still playing. A missing or unreadable file plays
    // nothing and reports nothing. A bare name is looked up in the current directory.
    virtual void play(const QString& file) = 0;
};

// The installed player: the QSoundEffect one unless another was installed.
Player& player();
// Installs a player the caller keeps alive (tests record what is played); nullptr restores the
// QSoundEffect one.
void setPlayer(Player* player);

} // namespace sound
