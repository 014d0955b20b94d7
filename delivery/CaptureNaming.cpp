#include "delivery/CaptureNaming.h"

#include <unistd.h>

#include <cstdio>

#include "platform/Files.h"
#include "platform/NamedEvent.h"

namespace ocv {

const char* ImageFormatExtension(int32_t format) {
    switch (format) {
        case IMAGE_FORMAT_BMP: return ".bmp";
        case IMAGE_FORMAT_PNG: return ".png";
        case IMAGE_FORMAT_GIF: return ".gif";
        default: return ".jpg";
    }
}

std::string MakeCaptureFileName(const ImageSettings& image, const LocalTime& time,
                                uint32_t& counter) {
    std::string name = image.imageFilename;
    char part[32];
    if (image.enableAddNameDate) {
        std::snprintf(part, sizeof part, "%02d%02d%02d", time.wYear, time.wMonth, time.wDay);
        name += part;
    }
    if (image.enableAddNameTime) {
        std::snprintf(part, sizeof part, "%02d%02d%02d", time.wHour, time.wMinute, time.wSecond);
        name += part;
    }
    if (image.enableAddNameCounter) {
        std::snprintf(part, sizeof part, "%04u", counter);
        name += part;
    }
    name += ImageFormatExtension(image.imageFileFormat);
    ++counter;
    return name;
}

std::string MakeDateDirectory(const std::string& dir, const LocalTime& time) {
    long stamp = (static_cast<long>(time.wYear) * 100 + time.wMonth) * 100 + time.wDay;
    std::string path = JoinPath(DropTrailingSeparator(dir), std::to_string(stamp));
    // Tested by path, never through the current directory: capture threads run side by side.
    if (!DirectoryExists(path)) CreateDirectoryOne(path);
    return path;
}

std::string MakeWorkDirectory() {
    std::string path = JoinPath(
        TempDirectory(), "ocv" + std::to_string(::getpid()) + std::to_string(CurrentThreadId()));
    CreateDirectoryOne(path);
    return path;
}

}  // namespace ocv
