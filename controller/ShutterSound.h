#pragma once

namespace ocv {

// Plays the shutter sound without waiting (nothing where there is no sound device).
void PlayShutterSound();

}  // namespace ocv
