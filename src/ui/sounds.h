// The program's sound clips, compiled in and played without waiting; silent
// when there is no audio device.
#pragma once

#include <QString>

namespace quarrow::ui {

enum class Sound { kListing, kCompletion, kDelete, kNotify, kUploadDone };

void play_sound(Sound sound);
// The resource path of a clip (":/sounds/click.wav" …).
QString sound_resource(Sound sound);

}  // namespace quarrow::ui
