// The edit routine: scale, rotate, frame, grey, date/time and name.
#include "imaging/EditImage.h"

#include <cstdio>

namespace ocv {

std::string FormatDateTimeText(const LocalTime& time, bool date, bool clock) {
    std::string text;
    char part[64];
    if (date) {
        std::snprintf(part, sizeof part, "%d/%d/%d ", time.wYear, time.wMonth, time.wDay);
        text += part;
    }
    if (clock) {
        std::snprintf(part, sizeof part, "%02d:%02d:%02d", time.wHour, time.wMinute, time.wSecond);
        text += part;
    }
    return text;
}

bool EditImage(const std::string& cameraName, CDibImage& image, const ImageSettings& settings,
               const LocalTime& captureTime, std::string& errorText) {
    auto fail = [&](const CDibImage& failed) {
        errorText = failed.GetErrorText();
        return false;
    };
    if (settings.resizeRate != 1.0f && !image.ResizeByRate(settings.resizeRate)) return fail(image);
    if (settings.rotate > 0 && !image.Rotate(settings.rotate * 90)) return fail(image);
    if (settings.enableFrameImage) {
        if (settings.frameImageFileName.empty()) {
            errorText = "There is no specification of a frame picture file name!";
            return false;
        }
        CDibImage frame;
        if (!frame.LoadFromFile(settings.frameImageFileName)) return fail(frame);
        if (!frame.Resize(image.Width(), image.Height())) return fail(frame);
        if (!image.Blend(frame, static_cast<uint32_t>(settings.frameTransparentColor),
                         settings.frameTransparentRange)) {
            return fail(image);
        }
    }
    if (settings.enableGrayScale && !image.GrayScale()) return fail(image);
    if (settings.enablePrintDate || settings.enablePrintTime) {
        const std::string text = FormatDateTimeText(captureTime, settings.enablePrintDate != 0,
                                                    settings.enablePrintTime != 0);
        const TextStyle& style = settings.fontDateTime;
        if (!image.PrintText(style, text, style.vertPosition, style.horzPosition)) {
            return fail(image);
        }
    }
    if (settings.enablePrintName) {
        const TextStyle& style = settings.fontName;
        if (!image.PrintText(style, cameraName, style.vertPosition, style.horzPosition)) {
            return fail(image);
        }
    }
    return true;
}

}  // namespace ocv
