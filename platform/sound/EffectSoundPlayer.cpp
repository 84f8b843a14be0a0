#include "EffectSoundPlayer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace sound {

namespace {

QtMessageHandler previousHandler = nullptr;
bool audioWarningShown = false;

bool isAudioWarning(const QMessageLogContext& context, const QString& message) {
    return QLatin1String(context.category ? context.category : "")
               .startsWith(QLatin1String("qt.multimedia")) ||
           message.startsWith(QLatin1String("QSoundEffect")) ||
           message.startsWith(QLatin1String("PulseAudio")) ||
           message.startsWith(QLatin1String("No audio device"));
}

// Without an audio device, or with a missing file, the audio layer warns on every sound; one line
// per run says enough.
void filterAudioWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (isAudioWarning(context, message)) {
        if (audioWarningShown)
            return;
        audioWarningShown = true;
    }
    previousHandler(type, context, message);
}

} // namespace

void EffectSoundPlayer::play(const QString& file) {
    if (!effect_) {
        if (!previousHandler)
            previousHandler = qInstallMessageHandler(filterAudioWarnings);
        effect_ = new QSoundEffect(QCoreApplication::instance());
    }
    // Stopping first makes a new sound cut off the old one even when the file is the same.
    effect_->stop();
    effect_->setSource(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
    effect_->play();
}

} // namespace sound
