#pragma once

#include "sound/SoundPlayer.h"

#include <QStringList>

// Records the files the program starts playing, in order, for as long as it lives.
class RecordingSoundPlayer : public sound::Player {
public:
    RecordingSoundPlayer() { sound::setPlayer(this); }
    ~RecordingSoundPlayer() override { sound::setPlayer(nullptr); }
    RecordingSoundPlayer(const RecordingSoundPlayer&) = delete;
    RecordingSoundPlayer& operator=(const RecordingSoundPlayer&) = delete;

    void play(const QString& file) override { played.append(file); }

    QStringList played;
};
