#include "config/ParamRanges.h"

#include <climits>
#include <cmath>

namespace ocv {
namespace {

constexpr OutOfRange C = OutOfRange::Clamp;
constexpr OutOfRange D = OutOfRange::UseDefault;
constexpr double kIntMax = INT32_MAX;
constexpr double kPortMin = 1, kPortMax = 65535;
constexpr double kColourMax = 0xFFFFFF;

// Bounds follow the settings dialogs where they state one ("users [1-100]", "frames per second
// [1-30]", quality 1-100, sensitivity 0-64, threshold 0-100, 0-10 s of recording before motion),
// otherwise what the using code can do something with.
constexpr ParamRange kRanges[] = {
    // System section.
    {"MailCommand", "Check Time", 1, 86400, C, C},
    {"MailCommand", "SMTP Port", kPortMin, kPortMax, D, D},
    {"MailCommand", "POP3 Port", kPortMin, kPortMax, D, D},
    {"MailCommand", "SMTP Security", 0, 2, D, D},
    {"MailCommand", "SMTP Auth Method", 0, 2, D, D},
    {"MailCommand", "POP3 Security", 0, 2, D, D},
    // Camera window.
    {"ConditionSetting", "LastShow", 1, 3, D, D},
    {"ConditionSetting", "TransparentParam", 0, 100, C, C},
    // Image settings of every target.
    {"Image", "Resize Rate", 0.01, 10, D, C},
    {"Image", "Rotate", 0, 3, D, D},
    {"Image", "JPEG Quality", 0, 100, C, C},
    {"Image", "Frame Transparent Color", 0, kColourMax, D, D},
    // Caption styles.
    {"FontDateTime", "Height", -1000, 1000, C, C},
    {"FontDateTime", "Weight", 0, 1000, C, C},
    {"FontDateTime", "Text Color", 0, kColourMax, D, D},
    {"FontDateTime", "Text Bk Color", 0, kColourMax, D, D},
    {"FontDateTime", "Vert Position", 0, 2, D, D},
    {"FontDateTime", "Horz Position", 0, 2, D, D},
    {"FontName", "Height", -1000, 1000, C, C},
    {"FontName", "Weight", 0, 1000, C, C},
    {"FontName", "Text Color", 0, kColourMax, D, D},
    {"FontName", "Text Bk Color", 0, kColourMax, D, D},
    {"FontName", "Vert Position", 0, 2, D, D},
    {"FontName", "Horz Position", 0, 2, D, D},
    // Delivery targets.
    {"FTP", "FTP Server Port", kPortMin, kPortMax, D, D},
    {"FTP", "FTP Login Retry Count", 0, 100, C, C},
    {"SMTP", "SMTP Server Port", kPortMin, kPortMax, D, D},
    {"SMTP", "POP3 Server Port", kPortMin, kPortMax, D, D},
    {"SMTP", "SMTP Security", 0, 2, D, D},
    {"SMTP", "SMTP Auth Method", 0, 2, D, D},
    {"SMTP", "POP3 Security", 0, 2, D, D},
    {"SMTP", "POP3 before SMTP Send Timeout", 0, 600000, C, C},
    // Capture modes.
    {"Live", "Vistrel Timer", 0, kIntMax, D, D},
    {"Motion", "Motion Capture Reception", 0, 64, C, C},
    {"Motion", "Motion Capture Threshold", 0, 100, C, C},
    {"Motion", "Motion Capture Mode", 0, 2, D, D},
    {"Motion", "Motion Capture Timeout", 0, kIntMax, C, C},
    {"Motion", "Motion Capture TimeoutMM", 0, 999, C, C},
    {"Motion", "Motion Next Capture Timeout", 0, kIntMax, C, C},
    {"Motion", "Motion Next Capture TimeoutMM", 0, 999, C, C},
    {"Motion", "Outline Level", 0, 255, C, C},
    {"Motion", "Live Shot Time", 0, kIntMax, C, C},
    {"Motion", "Live Shot Interval", 1, kIntMax, C, C},
    {"Motion", "Recording StartTime Before", 0, 10, C, C},
    {"Recording", "RecordingTime", 1, 3600, C, C},
    {"Recording", "FrameRate", 1, 60, C, C},
    {"Schedule", "Exec Week", 0, 127, D, D},
    {"Schedule", "Start Hour", 0, 23, C, C},
    {"Schedule", "Start Minute", 0, 59, C, C},
    {"Schedule", "End Hour", 0, 23, C, C},
    {"Schedule", "End Minute", 0, 59, C, C},
    // Web server.
    {"WebServer", "Nic Index", 0, 255, D, D},
    {"WebServer", "Port", kPortMin, kPortMax, D, D},
    {"WebServer", "MaxFrame", 1, 30, C, C},
    {"WebServer", "MaxUser", 1, 100, C, C},
    {"WebServer", "i-mode Size W", 1, 4096, C, C},
    {"WebServer", "i-mode Size H", 1, 4096, C, C},
    {"WebServer", "i-mode Quality", 1, 100, C, C},
};

}  // namespace

std::span<const ParamRange> ParamRanges() { return kRanges; }

const ParamRange* FindParamRange(std::string_view section, std::string_view key) {
    for (const ParamRange& r : kRanges)
        if (section == r.section && key == r.key) return &r;
    return nullptr;
}

double FitToRange(const ParamRange& range, double value, double fallback) {
    if (std::isnan(value) || value < range.min)
        return range.below == OutOfRange::Clamp ? range.min : fallback;
    if (value > range.max) return range.above == OutOfRange::Clamp ? range.max : fallback;
    return value;
}

int32_t FitToRange(const ParamRange& range, int32_t value, int32_t fallback) {
    return static_cast<int32_t>(
        FitToRange(range, static_cast<double>(value), static_cast<double>(fallback)));
}

float FitToRange(const ParamRange& range, float value, float fallback) {
    // Compared as stored: a float bound such as 0.01 is the float nearest to it.
    ParamRange asFloat = range;
    asFloat.min = static_cast<float>(range.min);
    asFloat.max = static_cast<float>(range.max);
    return static_cast<float>(
        FitToRange(asFloat, static_cast<double>(value), static_cast<double>(fallback)));
}

std::string OutOfRangeText(const ParamRange& range, const std::string& valueText,
                           const std::string& usedText) {
    return std::string("Setting <") + range.section + "/" + range.key + "> out of range [" +
           valueText + "]: using [" + usedText + "]";
}

}  // namespace ocv
