#pragma once
// The camera-source contract: every source connects to its device, keeps the newest picture
// (the frame sample) and hands out copies of it.
#include <cstdint>
#include <functional>
#include <vector>

#include "foundation/DeviceInfo.h"
#include "foundation/FrameSample.h"

namespace ocv {

// Receives a frame sample to paint: the format, the bottom-up BGR pixels and the display
// rectangle. Called with the sample lock held; the painter copies or draws and returns quickly.
using PaintFn = std::function<void(const BITMAPINFOHEADER&, const uint8_t* pixels, const Rect&)>;

// The user-interface side that shows a source's format and device dialogs. The desktop shell
// implements it; a source calls it to let the user edit the record.
class IDialogHost {
public:
    virtual ~IDialogHost() = default;
    // Shows the format page of the device type with the record; true on OK (record changed).
    virtual bool RunFormatPage(int32_t deviceType, DeviceInfo& info) = 0;
    // Shows the device's own property pages; true when they were shown.
    virtual bool RunDevicePage(int32_t deviceType, DeviceInfo& info) = 0;
};

class CCamInterface {
public:
    // Concrete sources disconnect and release everything in their destructors.
    virtual ~CCamInterface() = default;
    // Builds the connection and waits for the first picture; > 0 means connected.
    virtual int Connect(const DeviceInfo* info) = 0;
    // Stops delivery, frees the pixel buffer, zeroes the format header.
    virtual void Disconnect() = 0;
    virtual bool IsConnected() = 0;
    virtual bool HasFormatPage() = 0;
    virtual bool ShowFormatPage(IDialogHost* parent, DeviceInfo* info) = 0;
    virtual bool HasDevicePage() = 0;
    virtual bool ShowDevicePage(IDialogHost* parent, DeviceInfo* info) = 0;
    // Copies the 40-byte format header; always true.
    virtual bool GetFormat(BITMAPINFOHEADER* out) = 0;
    // Copies the frame sample under the sample lock; false (nothing copied) without a pixel
    // buffer or when size differs from biSizeImage.
    virtual bool GetSample(uint8_t* buffer, uint32_t size) = 0;
    // biSizeImage; 0 before the first picture.
    virtual uint32_t GetSampleSize() = 0;
    // Paints the frame sample into the display rectangle under the sample lock. Returns
    // IsConnected() when not connected or without a buffer, else true.
    virtual bool Draw(const PaintFn& paint) = 0;
    // Recomputes the display rectangle for a view of cx × cy.
    virtual void SetViewSize(int cx, int cy) = 0;
    virtual void EnableSampleCallback(bool enable) = 0;

    // Copies the format and the frame sample together, so a picture whose size has just changed
    // is never copied with the old format; `pixels` is resized to biSizeImage. False (format
    // zeroed, `pixels` untouched) without a picture.
    virtual bool CopySample(BITMAPINFOHEADER& format, std::vector<uint8_t>& pixels) {
        BITMAPINFOHEADER h{};
        std::vector<uint8_t> copy;
        if (GetFormat(&h) && h.biSizeImage > 0) {
            copy.resize(h.biSizeImage);
            if (GetSample(copy.data(), h.biSizeImage)) {
                format = h;
                pixels.swap(copy);
                return true;
            }
        }
        format = BITMAPINFOHEADER{};
        return false;
    }
    // True while a connected source has had no new picture for longer than its lost limit: it
    // keeps its last picture for GetSample, but that picture is no longer live.
    virtual bool IsLost() { return false; }
    // Milliseconds since the newest picture arrived; 0 before the first one.
    virtual uint32_t MsSinceLastPicture() { return 0; }
    // The number of the newest picture, counted up by one after each picture is in place: a copy
    // made after reading N holds picture N or a newer one. Numbers of different sources differ.
    // 0 when the source does not count.
    virtual uint64_t PictureNumber() { return 0; }
    // Ends a Connect that is waiting and the source's reading at once, from any thread, without
    // a failure being logged: the program stops or gives up on this source. Only Disconnect and
    // the destructor may follow.
    virtual void RequestStop() {}
};

}  // namespace ocv
