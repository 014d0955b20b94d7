// The recording thread: collects frames at the recording's frame rate for the recording time,
// writes them, each edited like a still picture, into an uncompressed AVI file, and converts that
// into a Windows Media file when asked to (deleting the AVI once the conversion ran).
#include <cmath>
#include <string>
#include <vector>

#include "controller/AviWriter.h"
#include "controller/CaptureThreadParam.h"
#include "controller/FrameStore.h"
#include "controller/StateFlags.h"
#include "controller/WmvConverter.h"
#include "controller/WmvProfiles.h"
#include "delivery/CaptureNaming.h"
#include "imaging/DibImage.h"
#include "imaging/EditImage.h"
#include "platform/Files.h"
#include "platform/NamedEvent.h"
#include "platform/Time.h"

namespace ocv {
namespace {

// The name with its last three characters replaced (the extension of the picture format).
std::string WithExtension(std::string name, const char* ext) {
    if (name.size() >= 3) name.resize(name.size() - 3);
    return name + ext;
}

// Writes the collected frames; true when the last one was written.
bool WriteAvi(CaptureThreadParam& block, const NamedEvent& stop, const FrameSpill& frames,
              const std::vector<LocalTime>& times, const std::string& aviPath, uint32_t rate) {
    CLogger& log = block.ctrl->Log();
    const RecordingInfo& rec = block.param.recording;
    const uint32_t size = block.format.biSizeImage;
    CAviWriter avi;
    int32_t r = avi.Open(aviPath);
    if (r != AVI_OK) {
        log.Error("[Rec] AVIFileOpen() Failed! [%s]", AviErrorText(r).c_str());
        return false;
    }
    AviStreamInfo info;
    info.scale = 1;
    info.rate = rate;
    info.frameRight = block.format.biWidth;
    info.frameBottom = block.format.biHeight;
    if ((r = avi.CreateStream(info)) != AVI_OK) {
        log.Error("[Rec] AVIFileCreateStream() Failed! [%s]", AviErrorText(r).c_str());
        return false;
    }
    log.Info("[Rec] 動画ﾌｧｲﾙ作成中・・・");
    std::vector<uint8_t> raw(size, 0);
    bool written = true;
    for (size_t i = 0; i < frames.Count(); ++i) {
        if (stop.IsSet()) {
            written = false;
            break;
        }
        CDibImage picture;
        if (!frames.Read(i, raw.data()) ||
            !picture.CreateFromSample(block.format, raw.data(), nullptr, size)) {
            log.Error("[Rec] Load image file failed! [%s]",
                      picture.GetErrorText().empty() ? "the collected frame cannot be read back"
                                                     : picture.GetErrorText().c_str());
            written = false;
            break;
        }
        std::string error;
        if (!EditImage(block.param.name, picture, rec.local.image, times[i], error)) {
            log.Error("[Rec] Edit image failed! [%s]", error.c_str());
            written = false;
            break;
        }
        const BITMAPINFOHEADER& h = *picture.GetInfoHeader();
        if ((r = avi.SetFormat(static_cast<uint32_t>(i), h)) != AVI_OK) {
            log.Error("[Rec] AVIStreamSetFormat() Failed! [%s]", AviErrorText(r).c_str());
            written = false;
            break;
        }
        if ((r = avi.Write(static_cast<uint32_t>(i), picture.GetBits(), h.biSizeImage,
                           AVIIF_KEYFRAME)) != AVI_OK) {
            log.Error("[Rec] AVIStreamWrite() Failed! [%s]", AviErrorText(r).c_str());
            written = false;
            break;
        }
    }
    if ((r = avi.Close()) != AVI_OK) {
        log.Error("[Rec] AVIStreamWrite() Failed! [%s]", AviErrorText(r).c_str());
        written = false;
    }
    return written;
}

void ConvertToWmv(CaptureThreadParam& block, const std::string& aviPath) {
    CLogger& log = block.ctrl->Log();
    const RecordingInfo& rec = block.param.recording;
    log.Info("[Rec] Encoding to WindowsMediaFormat...");
    const std::string wmvPath = WithExtension(aviPath, "wmv");
    WmvProfile profile;
    const int loaded = rec.wmvProfileType == 0
                           ? LoadSystemProfile(rec.wmvSystemProfileIndex, profile)
                           : LoadCustomProfile(rec.wmvCustomProfilePath, profile);
    if (loaded < 0) {
        log.Error("[Rec] AVI->WMV encod error! LoadProfile() failed!");
        return;
    }
    CUncompAVIToWMV converter;
    if (converter.Initial(aviPath, nullptr, wmvPath, &profile, false, 1, false, -1) < 0) {
        log.Error("[Rec] AVI->encod error! CUncompAVIToWMV::Initial() failed!");
        log.Debug("[Rec] %s", converter.LastError().c_str());
        return;
    }
    if (converter.Start() < 0) {
        // The AVI is the recording's only good copy then: it stays, the broken output goes.
        log.Error("[Rec] AVI->WMV encod error! [%s]", converter.LastError().c_str());
        DeleteFile(wmvPath);
        return;
    }
    log.Info("[Rec] Encod finished!");
    DeleteFile(aviPath);
}

}  // namespace

void RecordingThread(std::unique_ptr<CaptureThreadParam> block) {
    CtrlLink& ctrl = *block->ctrl;
    CLogger& log = ctrl.Log();
    uint32_t counter = block->localCounter;
    const RecordingInfo& rec = block->param.recording;
    block->PostState(STATE_RECORDING, 0);
    std::shared_ptr<NamedEvent> stop = NamedEvent::Open(block->terminateEventName);
    const uint32_t size = block->format.biSizeImage;
    if (!stop) {
        log.Error("[Rec] OpenEvent() failed!");
    } else if (size < 1) {
        log.Error("[Rec] sample image size is 0!");
    } else {
        int32_t rate = rec.frameRate;
        if (rate <= 0) {
            log.Error("[Rec] FrameRate %d is not usable; 1 frame per second is recorded.", rate);
            rate = 1;
        }
        log.Info("[Rec] 録画中・・・");
        const LocalTime start = GetLocalTime();
        std::string dir = DropTrailingSeparator(rec.local.saveDirectoryName);
        if (rec.local.enableMakeDateDirectory) dir = MakeDateDirectory(dir, start);

        // Collected frames wait on the disk beside the video file (or in the temporary
        // directory), the ones from before the event stay packed.
        FrameSpill frames;
        frames.Open({dir, TempDirectory()}, size);
        std::vector<LocalTime> times;
        for (size_t i = 0; i < block->preEventFrames.size() && i < block->preEventTimes.size();
             ++i) {
            if (frames.AppendPacked(block->preEventFrames[i]))
                times.push_back(block->preEventTimes[i]);
        }
        block->preEventFrames.clear();

        bool dropped = false, lostLogged = false, fullLogged = false;
        const int64_t total = static_cast<int64_t>(rec.recordingTime) * 1000;
        const int64_t period = static_cast<int64_t>(1000.0 / rate);
        std::vector<uint8_t> buffer(size, 0);
        const uint32_t t0 = GetTickCount();
        while (static_cast<int64_t>(GetTickCount() - t0) < total) {
            if (stop->IsSet()) {
                dropped = true;
                break;
            }
            const uint32_t t = GetTickCount();
            std::fill(buffer.begin(), buffer.end(), 0);
            if (ctrl.GetFrame(stop.get(), buffer.data(), size) > 0) {
                lostLogged = false;
                if (frames.Append(buffer.data())) {
                    times.push_back(GetLocalTime());
                } else if (!fullLogged) {
                    log.Error("[Rec] No room for more frames; the recording keeps what it has.");
                    fullLogged = true;
                }
            } else if (stop->IsSet()) {
                dropped = true;
                break;
            } else if (!lostLogged) {
                log.Warning("[Rec] No picture from the camera; frames are skipped.");
                lostLogged = true;
            }
            const int64_t rest = static_cast<int64_t>(t) + period - GetTickCount();
            if (rest > 0 && stop->Wait(static_cast<int>(rest))) {
                dropped = true;
                break;
            }
        }
        if (!dropped) {
            const std::string name =
                WithExtension(MakeCaptureFileName(rec.local.image, start, counter), "avi");
            const std::string aviPath = JoinPath(dir, name);
            const bool written =
                WriteAvi(*block, *stop, frames, times, aviPath, static_cast<uint32_t>(rate));
            if (written && rec.enableWMV) ConvertToWmv(*block, aviPath);
        }
    }
    log.Info("[Rec] 録画終了しました!");
    block->PostState(0, STATE_RECORDING);
}

}  // namespace ocv
