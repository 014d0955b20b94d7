#pragma once
// Names of captured pictures, date directories and the per-thread working directory.
#include <cstdint>
#include <string>

#include "config/ImageSettings.h"
#include "platform/Time.h"

namespace ocv {

// The file name (no directory) of a picture: "Image Filename", then the date (yyyymmdd) and time
// (hhmmss) when switched on, then the counter as "%04d" when switched on, then the extension of
// "Image File Format". Advances `counter` by one in every case.
std::string MakeCaptureFileName(const ImageSettings& image, const LocalTime& time,
                                uint32_t& counter);

// The extension of an "Image File Format" value (".bmp", ".jpg", ".png", ".gif").
const char* ImageFormatExtension(int32_t format);

// `dir` without one trailing separator, joined with the capture date as yyyymmdd. The directory is
// created (one level) when missing; a failure shows up in the save that follows.
std::string MakeDateDirectory(const std::string& dir, const LocalTime& time);

// The calling thread's working directory "<temp>/ocv<pid><tid>", created (a failure is not
// reported).
std::string MakeWorkDirectory();

}  // namespace ocv
