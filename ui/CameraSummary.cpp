#include "ui/CameraSummary.h"

#include <cstdio>
#include <cstdlib>

#include "foundation/VideoCtrl.h"

namespace ocv {
namespace {
constexpr const char* kSeparator = "-------------------\r\n";
}

std::string CaptureFormatSummary(const CaptureSummaryInput& in) {
    std::string out = kSeparator;
    if (!in.picture) {
        out += "No Signal\r\n";
    } else {
        char buf[256];
        if (in.reportsRate)
            std::snprintf(buf, sizeof buf,
                          "[Capture Setting]\r\n Frame Rate       \t%d frames/sec\r\n Image Size Width "
                          "\t%d pixcel\r\n Image Size Height\t%d pixcel\r\n",
                          in.frameRate, in.width, in.height);
        else
            std::snprintf(buf, sizeof buf,
                          "[Capture Setting]\r\n Image Size Width \t%d pixcel\r\n Image Size "
                          "Height\t%d pixcel\r\n",
                          in.width, in.height);
        out += buf;
    }
    out += kSeparator;
    return out;
}

CaptureSummaryInput SummaryInputOf(CVideoCtrl& view) {
    CaptureSummaryInput in;
    BITMAPINFOHEADER h{};
    in.picture = view.IsConnected() && view.GetSampleSize() > 0 && view.GetFormat(&h) && h.biWidth > 0;
    if (!in.picture) return in;
    in.width = h.biWidth;
    in.height = std::abs(h.biHeight);
    in.reportsRate = view.GetDeviceInfo().deviceType == DEVICE_LOCAL_CAPTURE;
    in.frameRate = view.GetDeviceInfo().frameRate;
    return in;
}

}  // namespace ocv
