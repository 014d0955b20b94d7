#include "controller/ShutterSound.h"

#include <cstddef>

#include "platform/SoundPlayer.h"

namespace ocv::res {
extern const unsigned char shutter_wav[];
extern const size_t shutter_wav_size;
}  // namespace ocv::res

namespace ocv {

void PlayShutterSound() {
    StopSound();
    PlaySoundAsync(res::shutter_wav, res::shutter_wav_size);
}

}  // namespace ocv
