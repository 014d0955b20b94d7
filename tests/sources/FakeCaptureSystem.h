#pragma once
// A capture-device layer for tests: devices that can be plugged in and pulled out, that agree on
// the nearest size they offer (as V4L2 drivers adjust a format) and deliver numbered pictures.
#include <poll.h>

#include <algorithm>
#include <atomic>
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
    std::atomic<bool> present{true};
    std::atomic<int> opened{0}, pictures{0};
};

class FakeDevice : public ICaptureDevice {
public:
    explicit FakeDevice(std::shared_ptr<FakeCamera> cam) : cam_(std::move(cam)) {
        const CaptureMode& m = cam_->modes.front();
        format_ = {m.width, m.height, m.frameRates.empty() ? 0 : m.frameRates.front()};
    }
    bool SetFormat(const CaptureFormat& wanted, std::string& error) override {
        if (!cam_->acceptsFormat) return Fail(error, "VIDIOC_S_FMT Failed! [Invalid argument]");
        // The largest offered size that fits into the wanted one, else the smallest (the last).
        const CaptureMode* best = &cam_->modes.back();
        for (const CaptureMode& m : cam_->modes)
            if (m.width <= wanted.width && m.height <= wanted.height && m.width > best->width) best = &m;
        const std::vector<int>& rates = best->frameRates;
        bool offered = std::find(rates.begin(), rates.end(), wanted.frameRate) != rates.end();
        format_ = {best->width, best->height, offered ? wanted.frameRate : rates.front()};
        return true;
    }
    bool GetFormat(CaptureFormat& out, std::string& error) override {
        out = format_;
        return Present(error, "VIDIOC_G_FMT");
    }
    std::vector<CaptureMode> Modes() override { return cam_->modes; }
    std::vector<CaptureControl> Controls() override { return {}; }
    bool SetControl(uint32_t, int, std::string&) override { return false; }
    bool Start(std::string& error) override { return Present(error, "VIDIOC_STREAMON"); }
    WaitResult Wait(int stopFd, int timeoutMs, std::string& error) override {
        // A picture every 20 ms while plugged in.
        pollfd p{stopFd, POLLIN, 0};
        if (::poll(&p, 1, std::min(timeoutMs, 20)) > 0) return WaitResult::kStopped;
        return Present(error, "poll()") ? WaitResult::kPicture : WaitResult::kFailed;
    }
    bool Read(std::vector<uint8_t>& bgr, std::string& error) override {
        if (!Present(error, "VIDIOC_DQBUF")) return false;
        // Top-down BGR: the first row is blue, the others carry the picture number.
        size_t row = static_cast<size_t>(format_.width) * 3;
        bgr.assign(row * format_.height, static_cast<uint8_t>(++cam_->pictures));
        for (size_t x = 0; x < row; x += 3) bgr[x] = 255, bgr[x + 1] = 0, bgr[x + 2] = 0;
        return true;
    }
    void Stop() override {}

private:
    static bool Fail(std::string& error, const std::string& text) { return error = text, false; }
    bool Present(std::string& error, const std::string& call) {
        return cam_->present || Fail(error, call + " Failed! [No such device]");
    }
    std::shared_ptr<FakeCamera> cam_;
    CaptureFormat format_;
};

class FakeCaptureSystem : public ICaptureSystem {
public:
    std::shared_ptr<FakeCamera> Add(const std::string& card,
                                    std::vector<CaptureMode> modes = {{"YUYV", 640, 480, {30, 15}},
                                                                      {"YUYV", 320, 240, {30, 15}},
                                                                      {"YUYV", 160, 120, {30}}}) {
        std::lock_guard lock(mutex_);
        auto cam = cams_.emplace_back(std::make_shared<FakeCamera>());
        cam->path = "/dev/video" + std::to_string(cams_.size() - 1);
        cam->card = card;
        cam->modes = std::move(modes);
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
            if (c->path == path && c->present) return ++c->opened, std::make_unique<FakeDevice>(c);
        error = "v4l2_open() Failed! [No such file or directory]";
        return nullptr;
    }

private:
    std::mutex mutex_;
    std::vector<std::shared_ptr<FakeCamera>> cams_;
};

}  // namespace ocv::test
