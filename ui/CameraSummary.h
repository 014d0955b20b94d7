#pragma once
// The capture-format text of the camera-setting dialog.
#include <string>

namespace ocv {

class CVideoCtrl;

struct CaptureSummaryInput {
    bool picture = false;   // a frame has arrived
    bool reportsRate = false;  // the source has a frame rate of its own (local capture devices)
    int frameRate = 0;
    int width = 0;
    int height = 0;
};

// "[Capture Setting]" with the frame rate (when reported) and the picture size, or "No Signal",
// between "-------------------" lines; lines end in "\r\n".
std::string CaptureFormatSummary(const CaptureSummaryInput& in);
// What the camera's source reports now.
CaptureSummaryInput SummaryInputOf(CVideoCtrl& view);

}  // namespace ocv
