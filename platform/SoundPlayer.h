#pragma once
// The process-wide sound player: plays one PCM sound at a time on the default ALSA device, without
// making the caller wait; a new sound stops the one that plays. Where no sound device can be
// opened it silently does nothing.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ocv {

// Starts playing a WAVE image (copied). False when the image is not a playable WAVE; a missing
// sound device is not a failure.
bool PlaySoundAsync(const uint8_t* wav, size_t size);
// Plays a WAVE file; false when it cannot be read or parsed.
bool PlaySoundFileAsync(const std::string& path);
// Stops the sound that plays, if any.
void StopSound();
// Number of sounds handed to the device so far (for diagnostics and tests; 0 without a device).
unsigned SoundsPlayed();

}  // namespace ocv
