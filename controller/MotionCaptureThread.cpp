// The motion thread: compares the camera's pictures every 500 ms, raises the alarm when enough of
// the watched rectangle changed, starts a recording with the seconds before the event, and
// captures a single picture, a 3 x 3 panorama or a series.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "controller/CaptureThreadParam.h"
#include "controller/FrameStore.h"
#include "controller/MotionLevel.h"
#include "controller/StateFlags.h"
#include "delivery/CaptureNaming.h"
#include "delivery/Deliver.h"
#include "imaging/DibImage.h"
#include "platform/Files.h"
#include "platform/NamedEvent.h"
#include "platform/SoundPlayer.h"
#include "platform/Time.h"
#include "platform/WavFile.h"

namespace ocv {
namespace {

enum class Fetch { Ok, Stop, Failed };

// What the motion thread holds for its whole run.
struct MotionRun {
    explicit MotionRun(CaptureThreadParam& b)
        : block(b), ctrl(*b.ctrl), log(b.ctrl->Log()), m(b.param.motion) {}
    CaptureThreadParam& block;
    CtrlLink& ctrl;
    CLogger& log;
    const MotionCapSetting& m;
    std::shared_ptr<NamedEvent> stop;
    uint32_t size = 0;
    std::vector<uint8_t> current, previous;
    bool hasPrevious = false;
    std::vector<std::vector<uint8_t>> ring;  // mode 1: the last 9 frames, oldest first
    std::unique_ptr<PreEventRing> preEvent;
    std::vector<uint8_t> sound;
    std::string workDir;
    uint32_t localCounter = 0, ftpCounter = 0, mailCounter = 0;
    bool lostLogged = false;

    // One frame through the controller: a stop, a picture, or none to be had (the camera is
    // lost); a run of failures is logged once.
    Fetch Get(std::vector<uint8_t>& into) {
        if (ctrl.GetFrame(stop.get(), into.data(), size) > 0) {
            lostLogged = false;
            return Fetch::Ok;
        }
        if (stop->IsSet()) return Fetch::Stop;
        if (!lostLogged)
            log.Warning("[Motion] No picture from the camera; the capture is skipped.");
        lostLogged = true;
        return Fetch::Failed;
    }

    void PushRing(const std::vector<uint8_t>& frame) {
        if (ring.empty()) return;
        // The oldest buffer moves to the end and receives the new frame.
        std::rotate(ring.begin(), ring.begin() + 1, ring.end());
        std::copy(frame.begin(), frame.end(), ring.back().begin());
    }

    // Sleeps on the stop event; true when a stop came.
    bool Sleep(int64_t ms) {
        return ms > 0 && stop->Wait(static_cast<int>(std::min<int64_t>(ms, 1 << 30)));
    }

    void Deliver(const CDibImage& picture, const LocalTime& time) {
        DeliverPicture(log, block.param, MODE_MOTION, picture, time, stop.get(), workDir,
                       localCounter, ftpCounter, mailCounter);
    }
    bool DeliverCurrent(const LocalTime& time) {
        CDibImage picture;
        if (!picture.CreateFromSample(block.format, current.data(), nullptr, size)) {
            log.Error("[Motion] %s", picture.GetErrorText().c_str());
            return false;
        }
        Deliver(picture, time);
        return true;
    }

    bool LoadSound() {
        const std::string& name = m.motionCaptureSoundFilename;
        std::ifstream f(name, std::ios::binary);
        if (f) {
            sound.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
            WavSound parsed;
            std::string error;
            if (!f.bad() && ParseWav(sound.data(), sound.size(), parsed, error)) return true;
        }
        sound.clear();
        log.Error("[Motion] Load sound file failed! [%s]", name.c_str());
        return false;
    }

    // Returns false when the thread has to end (a stop).
    bool OnMotion();
    bool Capture(const LocalTime& detected);
};

bool MotionRun::OnMotion() {
    if (!sound.empty()) {
        StopSound();
        PlaySoundAsync(sound.data(), sound.size());
    }
    log.Info("[Motion] 動きを検知しました!");
    block.PostState(STATE_MOTION_DETECTED, 0);
    const LocalTime detected = GetLocalTime();
    if (m.enableRecording) {
        log.Info("[Motion] 録画を実行します...");
        std::vector<PackedFramePtr> frames;
        std::vector<LocalTime> times;
        if (preEvent) preEvent->Snapshot(frames, times);
        std::shared_ptr<CLogger> logger = ctrl.Logger();
        ctrl.StartRecording(block.worker, std::move(frames), std::move(times),
                            [logger] { logger->Error("[Motion] 録画実行に失敗しました！"); });
    }

    // The wait between the detection and the capture.
    const int64_t d =
        static_cast<int64_t>(m.motionCaptureTimeout) * 1000 + m.motionCaptureTimeoutMM;
    if (d > 0) {
        log.Info("[Motion] Capture timeout %ldmsec...", static_cast<long>(d));
        const uint32_t start = GetTickCount();
        while (GetTickCount() - start < d) {
            if (Sleep(500)) break;
            Fetch f = Get(current);
            if (f == Fetch::Stop) break;
            if (f == Fetch::Ok) PushRing(current);
        }
        if (stop->IsSet()) return false;
    }
    if (!Capture(detected)) return false;

    // The wait after a capture; a stop ends it early.
    const int64_t w =
        static_cast<int64_t>(m.motionNextCaptureTimeout) * 1000 + m.motionNextCaptureTimeoutMM;
    if (w > 0) {
        log.Info("[Motion] Capture timeout %ldmsec・・・", static_cast<long>(w));
        if (Sleep(w)) return false;
    }
    if (Get(current) == Fetch::Stop) return false;
    block.PostState(0, STATE_MOTION_DETECTED);
    return true;
}

bool MotionRun::Capture(const LocalTime& detected) {
    switch (m.motionCaptureMode) {
        case 0:
            if (stop->IsSet()) return false;
            DeliverCurrent(detected);
            return true;
        case 1: {
            log.Info("[Motion] Creating panorama image...");
            PushRing(current);
            for (int i = 0; i < 4; ++i) {
                if (Sleep(500)) return false;
                Fetch f = Get(current);
                if (f == Fetch::Stop) return false;
                PushRing(current);  // a frame that could not be had repeats the one before
            }
            const uint8_t* tiles[9];
            for (int k = 0; k < 9; ++k) tiles[k] = ring[k].data();
            CDibImage picture;
            if (!picture.ComposePanorama(block.format, tiles)) {
                log.Error("[Motion] %s", picture.GetErrorText().c_str());
                return !stop->IsSet();
            }
            if (stop->IsSet()) return false;
            Deliver(picture, detected);
            return true;
        }
        case 2: {
            const int64_t total = static_cast<int64_t>(m.liveShotTime) * 1000;
            const int64_t interval = static_cast<int64_t>(m.liveShotInterval) * 1000;
            const uint32_t seriesStart = GetTickCount();
            log.Info("[Motion] %d分%d秒の間、%d秒間隔でｷｬﾌﾟﾁｬｰします...", m.liveShotTime / 60,
                     m.liveShotTime % 60, m.liveShotInterval);
            if (Sleep(interval)) return false;
            DeliverCurrent(detected);
            while (static_cast<int64_t>(GetTickCount() - seriesStart) < total) {
                if (stop->IsSet()) return false;
                const uint32_t t = GetTickCount();
                const LocalTime time = GetLocalTime();
                Fetch f = Get(current);
                if (f == Fetch::Stop) return false;
                if (f == Fetch::Ok) DeliverCurrent(time);
                const int64_t rest = static_cast<int64_t>(t) + interval - GetTickCount();
                if (Sleep(rest)) return false;
            }
            log.Info("[Motion] 連続ｷｬﾌﾟﾁｬｰ終了");
            return true;
        }
        default: return true;
    }
}

}  // namespace

bool DetectMotion(CaptureThreadParam& block, const uint8_t* current, const uint8_t* previous) {
    const MotionCapSetting& m = block.param.motion;
    CDibImage outlinePrevious, outlineCurrent;
    if (m.enableOutline) {
        const uint32_t size = block.format.biSizeImage;
        auto outline = [&](CDibImage& picture, const uint8_t*& frame) {
            if (!picture.CreateFromSample(block.format, frame, nullptr, size) ||
                !picture.Outline(255 - m.outlineLevel)) {
                block.ctrl->Log().Error("[Motion] Loading outline detection image Failed! [%s]",
                                        picture.GetErrorText().c_str());
                return;
            }
            frame = picture.GetBits();
        };
        outline(outlinePrevious, previous);
        outline(outlineCurrent, current);
    }
    const float level = MotionLevel(block.format, previous, current, m);
    return level >= m.motionCaptureThreshold;
}

void MotionCaptureThread(std::unique_ptr<CaptureThreadParam> block) {
    MotionRun run(*block);
    const MotionCapSetting& m = block->param.motion;
    const int32_t frameRate = block->param.recording.frameRate;
    uint32_t lastCheck = GetTickCount();
    // A rate of 0 or less gives no ring, and no division by it.
    const int64_t n = static_cast<int64_t>(m.recordingStartTimeBefore) * frameRate;
    uint32_t lastPreEvent = GetTickCount();

    run.log.Info("[Motion] Motion capture start!");
    block->PostState(STATE_MOTION, 0);
    run.stop = NamedEvent::Open(block->terminateEventName);
    std::shared_ptr<NamedEvent> pause = NamedEvent::Open(block->motionPauseEventName);
    if (!run.stop || !pause) {
        run.log.Error("[Motion] OpenEvent() failed!");
    } else {
        run.workDir = MakeWorkDirectory();
        run.size = block->format.biSizeImage;
        if (run.size < 1) {
            run.log.Error("[Motion] sample image size is 0!");
        } else {
            run.current.assign(run.size, 0);
            if (m.motionCaptureMode == 1) run.ring.assign(9, std::vector<uint8_t>(run.size, 0));
            std::vector<uint8_t> sample;
            if (m.enableRecording && m.recordingStartTimeBefore > 0 && n > 0 && frameRate > 0) {
                run.preEvent = std::make_unique<PreEventRing>(static_cast<size_t>(n), run.size);
                sample.assign(run.size, 0);
            }
            if (m.motionCaptureEnableSound && !m.motionCaptureSoundFilename.empty())
                run.LoadSound();
            const uint32_t preEventStep = frameRate > 0 ? 1000 / frameRate : 0;

            while (!run.stop->IsSet()) {
                if (pause->IsSet()) {
                    run.log.Info("[Motion] Motion check is paused...");
                    bool stopped = false;
                    while (pause->IsSet())
                        if ((stopped = run.stop->Wait(10))) break;
                    if (stopped) break;
                    run.log.Info("[Motion] Motion check is resumed!");
                    Fetch f = run.Get(run.current);
                    if (f == Fetch::Stop) break;
                    run.previous = run.current;
                    run.hasPrevious = f == Fetch::Ok;
                }
                if (run.preEvent && GetTickCount() - lastPreEvent >= preEventStep) {
                    Fetch f = run.Get(sample);
                    if (f == Fetch::Stop) break;
                    if (f == Fetch::Ok) run.preEvent->Push(sample.data(), GetLocalTime());
                    lastPreEvent = GetTickCount();
                }
                if (GetTickCount() - lastCheck < 500) {
                    run.stop->Wait(25);
                    continue;
                }
                Fetch f = run.Get(run.current);
                if (f == Fetch::Stop) break;
                if (f == Fetch::Failed) {
                    // Nothing to compare: watching starts afresh with the next picture.
                    run.hasPrevious = false;
                    lastCheck = GetTickCount();
                    run.stop->Wait(25);
                    continue;
                }
                if (run.hasPrevious &&
                    DetectMotion(*block, run.current.data(), run.previous.data())) {
                    if (!run.OnMotion()) break;
                }
                run.previous = run.current;
                run.hasPrevious = true;
                run.PushRing(run.current);
                lastCheck = GetTickCount();
                run.stop->Wait(25);
            }
        }
    }
    if (!run.workDir.empty()) RemoveDirectoryTree(run.workDir);
    block->PostState(0, STATE_MOTION | STATE_MOTION_DETECTED);
}

}  // namespace ocv
