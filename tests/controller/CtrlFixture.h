#pragma once
// A controller on a test-owned dispatcher with a source that the test feeds.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>

#include "../foundation/FakeSource.h"
#include "PeerProcess.h"
#include "controller/OcvCtrl.h"
#include "platform/Files.h"

namespace ocvtest {

using namespace ocv;

struct RecordingHost : IControllerHost {
    std::vector<uint32_t> states;
    int confirmations = 0, wizardRuns = 0;
    std::function<bool()> answer = [] { return true; };
    void OnStateChanged(COcvCtrl&, uint32_t flags) override { states.push_back(flags); }
    bool ConfirmForcedStop(COcvCtrl&) override { return ++confirmations, answer(); }
    int RunConnectWizard(COcvCtrl&) override { return ++wizardRuns, 0; }
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

// The camera "cam" of 64 x 48 pixels saving its Live and snapshot pictures, named by counter only
// and without printed texts, into saveDir_.
class CtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ocvctrlXXXXXX";
        dir_ = mkdtemp(tmpl);
        saveDir_ = JoinPath(dir_, "pictures");
        CreateDirectoryOne(saveDir_);
        ctrl_ = std::make_unique<COcvCtrl>(
            timers_,
            [this](int32_t, std::shared_ptr<FrameNotifier> v, std::shared_ptr<CLogger> l)
                -> std::shared_ptr<CCamInterface> {
                return source_ = std::make_shared<FakeSource>(v, l);
            },
            dir_, &host_);
        ctrl_->Create();
        ctrl_->Log().SetPath(JoinPath(dir_, "log.txt"));
        OcvParam& p = ctrl_->Param();
        p.name = "cam";
        p.deviceInfo.deviceType = 3;
        p.deviceInfo.deviceName = "http://127.0.0.1:1/";
        p.deviceInfo.frameWidth = 64;
        p.deviceInfo.frameHeight = 48;
        p.vistrel.local.image.imageFilename = "live";
        p.snapShot.local.image.imageFilename = "snap";
        p.vistrel.local.image.enableAddNameCounter = 1;
        for (auto* t : {&p.vistrel.local, &p.snapShot.local}) {
            t->saveDirectoryName = saveDir_;
            t->image.enableAddNameDate = t->image.enableAddNameTime = 0;
            t->image.enablePrintDate = t->image.enablePrintTime = t->image.enablePrintName = 0;
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
    void PumpFor(int ms) { PumpUntil([] { return false; }, ms); }
    // The finished pictures (a name starting with "." is one still being written).
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        for (auto& e : std::filesystem::directory_iterator(saveDir_))
            if (e.path().filename().string()[0] != '.') out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    // Occurrences of `needle` in the camera's log file.
    int Count(const std::string& needle) const {
        std::string t = ocv::test::ReadWholeFile(JoinPath(dir_, "log.txt"));
        int n = 0;
        for (size_t p = t.find(needle); p != std::string::npos; p = t.find(needle, p + 1)) ++n;
        return n;
    }

    ThreadDispatcher dispatcher_;
    QuickTimers timers_{dispatcher_};
    RecordingHost host_;
    std::shared_ptr<FakeSource> source_;
    std::unique_ptr<COcvCtrl> ctrl_;
    std::string dir_, saveDir_;
};

}  // namespace ocvtest
