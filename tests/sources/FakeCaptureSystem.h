#pragma once
// A capture-device layer for tests: devices that can be plugged in and pulled out, that agree on
// the nearest size they offer (as V4L2 drivers adjust a format) and deliver numbered pictures.
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sources/CaptureDevice.h"

namespace ocv::test {

struct FakeCamera {
    std::string path, card;
    std::vector<CaptureMode> modes;  // the sizes offered; the first is the power-on format
    bool acceptsFormat = true;       // false: VIDIOC_S_FMT fails
    std::vector<CaptureControl> controls;
    std::atomic<bool> present{true};
    std::atomic<int> opened{0};
    std::atomic<int> pictures{0};  // delivered so far (the number is drawn into each picture)
};

class FakeDevice : public ICaptureDevice {
public:
    explicit FakeDevice(std::shared_ptr<FakeCamera> cam) : cam_(std::move(cam)) {
        const CaptureMode& m = cam_->modes.front();
        format_ = {m.width, m.height, m.frameRates.empty() ? 0 : m.frameRates.front()};
    }
    bool SetFormat(const CaptureFormat& wanted, std::string& error) override {
        if (!cam_->acceptsFormat) {
            error = "VIDIOC_S_FMT Failed! [Invalid argument]";
            return false;
        }
        // The largest offered size that fits into the wanted one, else the smallest.
        const CaptureMode* best = nullptr;
        for (const CaptureMode& m : cam_->modes) {
            bool fits = m.width <= wanted.width && m.height <= wanted.height;
            if (fits && (!best || m.width * m.height > best->width * best->height)) best = &m;
        }
        if (!best)
            best = &*std::min_element(cam_->modes.begin(), cam_->modes.end(),
                                      [](auto& a, auto& b) { return a.width < b.width; });
        int rate = wanted.frameRate;
        if (!best->frameRates.empty() &&
            std::find(best->frameRates.begin(), best->frameRates.end(), rate) ==
                best->frameRates.end())
            rate = best->frameRates.front();
        format_ = {best->width, best->height, rate};
        return true;
    }
    bool GetFormat(CaptureFormat& out, std::string& error) override {
        if (!cam_->present) {
            error = "VIDIOC_G_FMT Failed! [No such device]";
            return false;
        }
        out = format_;
        return true;
    }
    std::vector<CaptureMode> Modes() override { return cam_->modes; }
    std::vector<CaptureControl> Controls() override { return cam_->controls; }
    bool SetControl(uint32_t id, int value, std::string& error) override {
        for (CaptureControl& c : cam_->controls)
            if (c.id == id && value >= c.minimum && value <= c.maximum) {
                c.value = value;
                return true;
            }
        error = "VIDIOC_S_CTRL Failed! [Invalid argument]";
        return false;
    }
    bool Start(std::string& error) override {
        if (!cam_->present) {
            error = "VIDIOC_STREAMON Failed! [No such device]";
            return false;
        }
        return true;
    }
    WaitResult Wait(int stopFd, int timeoutMs, std::string& error) override {
        // A picture every 20 ms while plugged in.
        pollfd p{stopFd, POLLIN, 0};
        if (::poll(&p, 1, std::min(timeoutMs, 20)) > 0) return WaitResult::kStopped;
        if (!cam_->present) {
            error = "poll() Failed! [No such device]";
            return WaitResult::kFailed;
        }
        return WaitResult::kPicture;
    }
    bool Read(std::vector<uint8_t>& bgr, std::string& error) override {
        if (!cam_->present) {
            error = "VIDIOC_DQBUF Failed! [No such device]";
            return false;
        }
        // Top-down BGR: the first row is blue, the others carry the picture number.
        int n = ++cam_->pictures;
        size_t row = static_cast<size_t>(format_.width) * 3;
        bgr.assign(row * format_.height, static_cast<uint8_t>(n));
        for (size_t x = 0; x < row; x += 3) bgr[x] = 255, bgr[x + 1] = 0, bgr[x + 2] = 0;
        return true;
    }
    void Stop() override {}

private:
    std::shared_ptr<FakeCamera> cam_;
    CaptureFormat format_;
};

class FakeCaptureSystem : public ICaptureSystem {
public:
    std::shared_ptr<FakeCamera> Add(const std::string& card, std::vector<CaptureMode> modes) {
        auto cam = std::make_shared<FakeCamera>();
        std::lock_guard lock(mutex_);
        cam->path = "/dev/video" + std::to_string(cams_.size());
        cam->card = card;
        cam->modes = std::move(modes);
        cams_.push_back(cam);
        return cam;
    }
    std::vector<CaptureDeviceEntry> List() override {
        std::lock_guard lock(mutex_);
        std::vector<CaptureDeviceEntry> out;
        for (auto& c : cams_)
            if (c->present) out.push_back({c->path, c->card, "fakecam", "usb-fake-" + c->path});
        return out;
    }
    std::unique_ptr<ICaptureDevice> Open(const std::string& path, std::string& error) override {
        std::lock_guard lock(mutex_);
        for (auto& c : cams_)
            if (c->path == path && c->present) {
                ++c->opened;
                return std::make_unique<FakeDevice>(c);
            }
        error = "v4l2_open() Failed! [No such file or directory]";
        return nullptr;
    }

private:
    std::mutex mutex_;
    std::vector<std::shared_ptr<FakeCamera>> cams_;
};

// The modes of a typical small USB camera.
inline std::vector<CaptureMode> UsbModes() {
    return {{"YUYV", 640, 480, {30, 15}}, {"YUYV", 320, 240, {30, 15}}, {"YUYV", 160, 120, {30}}};
}

}  // namespace ocv::test
