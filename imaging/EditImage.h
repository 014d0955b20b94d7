#pragma once
// The edit routine every captured picture passes before it is saved, uploaded or mailed.
#include <string>

#include "config/ImageSettings.h"
#include "imaging/DibImage.h"
#include "platform/Time.h"

namespace ocv {

// Runs, in order: scaling by "Resize Rate", rotation by "Rotate" quarter turns, the frame
// picture, grey conversion, the date/time text and the camera name. The first failing step stops
// the routine with that step's error text in `errorText`; steps before it have already changed
// the picture.
bool EditImage(const std::string& cameraName, CDibImage& image, const ImageSettings& settings,
               const LocalTime& captureTime, std::string& errorText);

// The date/time text: "Y/M/D " when the date is on, then "hh:mm:ss" when the time is on.
std::string FormatDateTimeText(const LocalTime& time, bool date, bool clock);

}  // namespace ocv
