#pragma once
// A controller on a test-owned dispatcher with a source that the test feeds.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "PeerProcess.h"
#include "controller/OcvCtrl.h"
#include "foundation/CamSource.h"
#include "platform/Files.h"

namespace ocvtest {

using namespace ocv;

class FedSource : public CCamSource {
public:
    using CCamSource::CCamSource;
    ~FedSource() override { Disconnect(); }
    int Connect(const DeviceInfo* info) override {
        if (info->deviceName == "unreachable") return 0;
        connected_ = true;
        AllocateSample(MakeRgb24Header(info->frameWidth ? info->frameWidth : 64,
                                       info->frameHeight ? info->frameHeight : 48));
        return 1;
    }
    void Disconnect() override {
        connected_ = false;
        FreeSample();
    }
    bool IsConnected() override { return connected_; }
    bool HasFormatPage() override { return false; }
    bool ShowFormatPage(IDialogHost*, DeviceInfo*) override { return false; }
    bool HasDevicePage() override { return false; }
    bool ShowDevicePage(IDialogHost*, DeviceInfo*) override { return false; }
    void EnableSampleCallback(bool) override {}
    // Stores a picture of one colour (blue, green, red).
    void Feed(uint8_t b, uint8_t g, uint8_t r) {
        BITMAPINFOHEADER h{};
        GetFormat(&h);
        std::vector<uint8_t> px(h.biSizeImage, 0);
        uint32_t stride = DibStride(h.biWidth, 24);
        for (int y = 0; y < h.biHeight; ++y)
            for (int x = 0; x < h.biWidth; ++x) {
                px[y * stride + x * 3] = b;
                px[y * stride + x * 3 + 1] = g;
                px[y * stride + x * 3 + 2] = r;
            }
        StoreSample(px.data(), px.size());
    }

private:
    std::atomic<bool> connected_{false};
};

struct RecordingHost : IControllerHost {
    std::vector<uint32_t> states;
    int confirmations = 0;
    std::function<bool()> answer = [] { return true; };
    int wizardRuns = 0;
    void OnStateChanged(COcvCtrl&, uint32_t flags) override { states.push_back(flags); }
    bool ConfirmForcedStop(COcvCtrl&) override {
        ++confirmations;
        return answer();
    }
    int RunConnectWizard(COcvCtrl&) override {
        ++wizardRuns;
        return 0;
    }
};

// The owner loop handed to the controller: forwards to a ThreadDispatcher, records the interval
// each timer asks for and can run the timers `timerDivisor` times as often.
class QuickTimers : public Dispatcher {
public:
    explicit QuickTimers(ThreadDispatcher& loop) : loop_(loop) {}
    void Post(Task task) override { loop_.Post(std::move(task)); }
    void StartTimer(int id, unsigned intervalMs, Task callback) override {
        requested[id] = intervalMs;
        loop_.StartTimer(id, intervalMs / timerDivisor, std::move(callback));
    }
    void KillTimer(int id) override { loop_.KillTimer(id); }
    void ProcessPending(int maxWaitMs) override { loop_.ProcessPending(maxWaitMs); }
    bool IsOwnerThread() const override { return loop_.IsOwnerThread(); }
    std::map<int, unsigned> requested;
    unsigned timerDivisor = 1;

private:
    ThreadDispatcher& loop_;
};

class CtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ocvctrlXXXXXX";
        dir_ = mkdtemp(tmpl);
        saveDir_ = JoinPath(dir_, "pictures");
        CreateDirectoryOne(saveDir_);
        ctrl_ = std::make_unique<COcvCtrl>(
            timers_,
            [this](int32_t, std::shared_ptr<FrameNotifier> v,
                   std::shared_ptr<CLogger> l) -> std::shared_ptr<CCamInterface> {
                source_ = std::make_shared<FedSource>(v, l);
                return source_;
            },
            dir_, &host_);
        ctrl_->Create();
        ctrl_->Log().SetPath(JoinPath(dir_, "log.txt"));
        OcvParam& p = ctrl_->Param();
        p.name = "cam";
        p.deviceInfo.deviceType = 3;
        p.deviceInfo.deviceName = "http://127.0.0.1:1/";
        p.vistrel.local.saveDirectoryName = saveDir_;
        p.vistrel.local.image.imageFilename = "live";
        p.vistrel.local.image.enableAddNameCounter = 1;
        p.vistrel.local.image.enableAddNameDate = 0;
        p.vistrel.local.image.enableAddNameTime = 0;
        p.snapShot.local.saveDirectoryName = saveDir_;
        p.snapShot.local.image.imageFilename = "snap";
        p.snapShot.local.image.enableAddNameDate = 0;
        p.snapShot.local.image.enableAddNameTime = 0;
        for (ImageSettings* im : {&p.vistrel.local.image, &p.snapShot.local.image}) {
            im->enablePrintDate = 0;
            im->enablePrintTime = 0;
            im->enablePrintName = 0;
        }
    }
    void TearDown() override {
        ctrl_.reset();
        RemoveDirectoryTree(dir_);
    }

    // Runs the owner thread's queue until `done` or the time-out; true when done.
    bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            dispatcher_.ProcessPending(20);
        }
        return true;
    }
    void PumpFor(int ms) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) dispatcher_.ProcessPending(20);
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        // A name starting with "." is a picture still being written.
        for (auto& e : std::filesystem::directory_iterator(saveDir_))
            if (e.path().filename().string()[0] != '.') out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    int Count(const std::string& needle) const {
        std::string t = ocv::test::ReadWholeFile(JoinPath(dir_, "log.txt"));
        int n = 0;
        for (size_t p = t.find(needle); p != std::string::npos; p = t.find(needle, p + 1)) ++n;
        return n;
    }

    ThreadDispatcher dispatcher_;
    QuickTimers timers_{dispatcher_};
    RecordingHost host_;
    std::shared_ptr<FedSource> source_;
    std::unique_ptr<COcvCtrl> ctrl_;
    std::string dir_, saveDir_;
};

}  // namespace ocvtest
