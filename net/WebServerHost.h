#pragma once
// What the web server needs from the camera controller that starts it. The controller (a layer
// above) implements the interface; the server holds it shared so that handler threads still
// finishing never reach a controller that is gone.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "config/OcvParam.h"
#include "foundation/FrameSample.h"

namespace ocv {

class CLogger;

// The state bit the web server sets while it runs.
constexpr uint32_t kWebServerRunningBit = 0x100;

class IWebServerHost {
public:
    virtual ~IWebServerHost() = default;
    // Copies the newest frame (size = biSizeImage of the block's format). False, with nothing
    // copied, when the controller's stop event is set.
    virtual bool GetFrame(uint8_t* buffer, uint32_t size) = 0;

    enum class Frame { kPicture, kStopped, kLost };
    // Copies the newest frame with its format, following the camera's picture size (before the
    // first picture `format` and `buffer` are left as they are). kLost, with nothing copied, while
    // the camera is lost; kStopped when the controller's stop event is set.
    virtual Frame GetLiveFrame(BITMAPINFOHEADER& format, std::vector<uint8_t>& buffer) {
        buffer.resize(format.biSizeImage);
        return GetFrame(buffer.data(), format.biSizeImage) ? Frame::kPicture : Frame::kStopped;
    }
    // The number of the newest frame: it grows with every new picture, and a copy made after
    // reading N holds frame N or a newer one. 0 when the host cannot tell, while the camera is
    // lost and once the stop event is set: a still is then made from a fresh copy.
    virtual uint64_t FrameNumber() { return 0; }
    // Posts a state change (bits to set, bits to clear) to the controller's owner thread.
    virtual void SetState(uint32_t set, uint32_t clear) = 0;
    // The controller's log channel.
    virtual CLogger& Log() = 0;
    // An error message box on the owner thread (the adapter list's messages).
    virtual void ShowMessageBox(const std::string& text) = 0;
};

// The block the controller hands to WebServerThread; the thread owns it.
struct WebServerBlock {
    OcvParam param;                        // copy of the camera's record
    std::shared_ptr<IWebServerHost> host;  // the controller
    BITMAPINFOHEADER format{};             // frame format at start
    std::string stopEventName;             // the controller's stop event
    int requestTimeoutMs = 10000;          // a request must arrive in full within this time
};

}  // namespace ocv
