#include "ui/sounds.h"

#include <QCoreApplication>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QThread>
#include <QUrl>

#include <map>

namespace quarrow::ui {

QString sound_resource(Sound sound) {
  switch (sound) {
    case Sound::kListing: return ":/sounds/click.wav";
    case Sound::kCompletion: return ":/sounds/completion.wav";
    case Sound::kDelete: return ":/sounds/delete.wav";
    case Sound::kNotify: return ":/sounds/notify.wav";
    case Sound::kUploadDone: return ":/sounds/upload_done.wav";
  }
  return {};
}

void play_sound(Sound sound) {
  auto play = [sound] {
    static const bool silent = qEnvironmentVariableIsSet("QUARROW_SILENT") || QMediaDevices::audioOutputs().isEmpty();
    if (silent) return;
    // One effect per clip, kept for the life of the program so a clip can replay at once.
    static std::map<Sound, QSoundEffect*> effects;
    QSoundEffect*& effect = effects[sound];
    if (!effect) {
      effect = new QSoundEffect(qApp);
      effect->setSource(QUrl("qrc" + sound_resource(sound)));
    }
    effect->play();
  };
  if (QThread::currentThread() == qApp->thread()) play();
  else QMetaObject::invokeMethod(qApp, play, Qt::QueuedConnection);
}

}  // namespace quarrow::ui
