#pragma once
// The capture-device layer under the local capture source: listing the devices, opening one,
// agreeing on a format, its controls and reading its pictures as BGR24. The V4L2 layer is the
// real one; tests put a layer of their own in its place.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ocv {

// One capture device of the system, in /dev/video* order.
struct CaptureDeviceEntry {
    std::string path;    // "/dev/video0"
    std::string card;    // the friendly name the user chooses by
    std::string driver;  // "uvcvideo"
    std::string bus;     // "usb-0000:00:14.0-1"
};

// A picture size and rate the device offers for one of its own pixel formats.
struct CaptureMode {
    std::string pixelFormat;  // four characters, "YUYV" or "MJPG"
    int width = 0;
    int height = 0;
    std::vector<int> frameRates;  // frames per second, when the device lists them
};

// One of the device's own settings (brightness, contrast, ...).
struct CaptureControl {
    uint32_t id = 0;
    std::string name;
    int type = 0;  // 1 integer, 2 on/off, 3 menu (as V4L2 numbers them)
    int minimum = 0, maximum = 0, step = 1, defaultValue = 0, value = 0;
};

// The format asked for and agreed on: BGR24 pictures of width × height at a frame rate.
struct CaptureFormat {
    int width = 0;
    int height = 0;
    int frameRate = 0;
    bool operator==(const CaptureFormat&) const = default;
};

class ICaptureDevice {
public:
    virtual ~ICaptureDevice() = default;
    // Asks for BGR24 pictures in `wanted`; false with the failing call and its text when the
    // device takes no format at all.
    virtual bool SetFormat(const CaptureFormat& wanted, std::string& error) = 0;
    // The format the device now delivers.
    virtual bool GetFormat(CaptureFormat& out, std::string& error) = 0;
    virtual std::vector<CaptureMode> Modes() = 0;
    virtual std::vector<CaptureControl> Controls() = 0;
    virtual bool SetControl(uint32_t id, int value, std::string& error) = 0;
    // Starts delivering pictures.
    virtual bool Start(std::string& error) = 0;
    enum class WaitResult { kPicture, kStopped, kTimeout, kFailed };
    // Waits for the next picture, for the stop descriptor to become readable, or the time.
    virtual WaitResult Wait(int stopFd, int timeoutMs, std::string& error) = 0;
    // Takes the picture that is ready: top-down BGR24 rows of width × 3 bytes into `bgr`.
    // False with the error when the device failed (unplugged).
    virtual bool Read(std::vector<uint8_t>& bgr, std::string& error) = 0;
    virtual void Stop() = 0;
};

class ICaptureSystem {
public:
    virtual ~ICaptureSystem() = default;
    virtual std::vector<CaptureDeviceEntry> List() = 0;
    virtual std::unique_ptr<ICaptureDevice> Open(const std::string& path, std::string& error) = 0;
};

// The devices of this machine through libv4l2, which converts every format a driver offers
// into BGR24.
std::shared_ptr<ICaptureSystem> V4l2CaptureSystem();

// The index in `devices` of the `cameraNo`-th device (from 0) whose card name is `name`
// (case-sensitive); an empty name is index 0. -1 when there is no such device.
int SelectCaptureDevice(const std::vector<CaptureDeviceEntry>& devices, const std::string& name,
                        int cameraNo);

// The text of --list-devices: each device with its path, card name, driver and picture modes.
std::string DescribeCaptureDevices(ICaptureSystem& system);

}  // namespace ocv
