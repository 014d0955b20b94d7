#pragma once
// What each model's "Format" page reads from and writes into the device information: the lists
// it offers and the mapping of its choices to the record. The dialogs themselves are built on
// top of these in the desktop shell.
#include <string>
#include <vector>

#include "foundation/DeviceInfo.h"

namespace ocv {

struct FrameSize {
    int width = 0;
    int height = 0;
    bool operator==(const FrameSize&) const = default;
};

// The choices shown by a format page. `sizeIndex` indexes SizeChoices(type, subType).
struct FormatPageData {
    std::string url;
    int sizeIndex = 0;
    int quality = 0;
    int subType = 0;
    int cameraNo = 0;
    std::string password;
    bool operator==(const FormatPageData&) const = default;
};

// The refusal of OK (and Finish) while the URL field is empty.
inline constexpr const char* kUrlMissingMessage = "接続先URLを入力してください!";
// The note of the MegaChips page.
inline constexpr const char* kMegaChipsNote =
    "Picture size, quality of image, etc. are set up by the camera side.";

// Dialog titles of the pages ("" for a type without one).
const char* FormatPageTitle(int32_t deviceType);

// Panasonic: "160x120", "320x240", "640x480". Axis: type 0 640x480, 320x240; types 1-3
// 704x480, 352x240. Other types have no size list.
std::vector<FrameSize> SizeChoices(int32_t deviceType, int subType);
// The entry labels of a size list ("%dx%d").
std::vector<std::string> SizeLabels(const std::vector<FrameSize>& sizes);
// The entry whose width and height equal the record's; when none matches, Panasonic selects
// 320x240 and Axis the first entry of the list.
int SizeIndexOf(int32_t deviceType, int subType, int width, int height);

std::vector<std::string> KxQualityChoices();       // Motion, Standard, Clarity
std::vector<std::string> AxisTypeChoices();        // AXIS 2100/205 ... AXIS 2400
std::vector<std::string> AxisCameraChoices();      // Camera1 ... Camera4
bool AxisCameraEnabled(int subType);               // only for type 3
std::vector<std::string> VivotekCameraChoices();   // Camera1 ... Camera4, ALL
std::vector<std::string> VivotekTypeChoices();     // VS2401/2402, VS2101
std::vector<std::string> VivotekQualityChoices();  // Medium ... Excellent
std::vector<std::string> VivotekSizeChoices();     // Half, Standard, Double

// Fills the page of a device type from the record.
FormatPageData LoadFormatPage(const DeviceInfo& info);
// Checks the page before OK: false with `message` set when it must stay open.
bool ValidateFormatPage(const FormatPageData& page, std::string& message);
// Writes the page's choices back into the record (URL and the model's fields only).
void StoreFormatPage(const FormatPageData& page, DeviceInfo& info);

}  // namespace ocv
