#pragma once
// The picture side of the motion dialog's preview: keeps the last two different pictures of a
// camera and measures the motion level between them with the detector's own measure, applying
// the outline extraction first when the settings ask for it.
#include <cstdint>
#include <vector>

#include <QImage>

#include "config/OcvParam.h"
#include "foundation/CamInterface.h"

namespace ocv {

class CMotionPreview {
public:
    // Takes the newest picture of `source`. A picture already taken (same picture number) is
    // not taken twice, so the level stays that of the last two different pictures. False when
    // the source has no picture.
    bool Take(CCamInterface& source);
    // Takes a picture given directly (the same rules, `number` 0 meaning "always new").
    void Take(const BITMAPINFOHEADER& format, std::vector<uint8_t> pixels, uint64_t number = 0);
    // The level between the previous and the newest picture under `settings` (sensitivity,
    // range, outline); 0 until two pictures of one format were taken.
    float Level(const MotionCapSetting& settings) const;
    // The newest picture as shown: its outline picture when the outline is on. Null without one.
    QImage Shown(const MotionCapSetting& settings) const;

    bool HasPicture() const { return !current_.empty(); }
    const BITMAPINFOHEADER& Format() const { return format_; }
    const std::vector<uint8_t>& Pixels() const { return current_; }

private:
    BITMAPINFOHEADER format_{};
    BITMAPINFOHEADER previousFormat_{};
    std::vector<uint8_t> current_, previous_;
    uint64_t number_ = 0;
};

// A bottom-up 24-bit frame as a top-down image (a deep copy). Null for any other format.
QImage FrameToImage(const BITMAPINFOHEADER& format, const uint8_t* pixels, size_t size);
// The frame's pixels after the outline operation with the level 255 - "Outline Level", as the
// detector compares them; the plain pixels when the picture cannot be made.
std::vector<uint8_t> OutlinePixels(const BITMAPINFOHEADER& format,
                                   const std::vector<uint8_t>& pixels, int outlineLevel);

}  // namespace ocv
