// The interval (Vistrel) thread and the snapshot thread: still pictures taken without looking at
// their content, each handed to the delivery routine.
#include <vector>

#include "controller/CaptureThreadParam.h"
#include "controller/ShutterSound.h"
#include "controller/StateFlags.h"
#include "delivery/CaptureNaming.h"
#include "delivery/Deliver.h"
#include "imaging/DibImage.h"
#include "platform/Files.h"
#include "platform/NamedEvent.h"
#include "platform/Time.h"

namespace ocv {

void VistrelThread(std::unique_ptr<CaptureThreadParam> block) {
    CtrlLink& ctrl = *block->ctrl;
    CLogger& log = ctrl.Log();
    uint32_t lastCapture = GetTickCount();
    uint32_t localCounter = 0, ftpCounter = 0, mailCounter = 0;
    bool firstPass = true;
    std::string workDir;

    log.Info("[Live] Vistrel start!");
    block->PostState(STATE_VISTREL, 0);
    std::shared_ptr<NamedEvent> stop = NamedEvent::Open(block->terminateEventName);
    if (!stop) {
        log.Error("[Live] OpenEvent() failed!");
    } else {
        workDir = MakeWorkDirectory();
        const uint32_t size = block->format.biSizeImage;
        if (size < 1) {
            log.Error("[Live] sample image size is 0!");
        } else {
            // The frame follows the camera's picture size; before the first picture it is
            // the zero-filled buffer of the format at start.
            BITMAPINFOHEADER format = block->format;
            std::vector<uint8_t> buffer(size, 0);
            // A negative interval counts as none: a picture every look at the clock.
            const uint32_t interval = block->param.vistrel.vistrelTimer > 0
                                          ? static_cast<uint32_t>(block->param.vistrel.vistrelTimer)
                                          : 0;
            while (!stop->IsSet()) {
                if (firstPass || GetTickCount() - lastCapture >= interval) {
                    firstPass = false;
                    // A lost camera's last picture is no live picture: the capture is skipped.
                    if (ctrl.IsLost()) {
                        log.WarningOnce("[Live] The camera is lost: no picture is taken.");
                        lastCapture = GetTickCount();
                        stop->Wait(500);
                        continue;
                    }
                    log.Info("[Live] Vistrel実行中・・・");
                    block->PostState(STATE_VISTREL_BUSY, 0);
                    int got = ctrl.GetFrame(stop.get(), format, buffer);
                    if (got == CtrlLink::kFrameStopped) break;
                    if (got == CtrlLink::kFrameLost) {
                        log.WarningOnce("[Live] The camera is lost: no picture is taken.");
                        lastCapture = GetTickCount();
                        block->PostState(0, STATE_VISTREL_BUSY);
                        stop->Wait(500);
                        continue;
                    }
                    LocalTime time = GetLocalTime();
                    CDibImage picture;
                    picture.CreateFromSample(format, buffer.data(), nullptr, buffer.size());
                    DeliverPicture(log, block->param, MODE_VISTREL, picture, time, stop.get(),
                                   workDir, localCounter, ftpCounter, mailCounter);
                    lastCapture = GetTickCount();
                    block->PostState(0, STATE_VISTREL_BUSY);
                }
                stop->Wait(500);
            }
        }
    }
    if (!workDir.empty()) RemoveDirectoryTree(workDir);
    block->PostState(0, STATE_VISTREL | STATE_VISTREL_BUSY);
}

void SnapShotThread(std::unique_ptr<CaptureThreadParam> block) {
    CtrlLink& ctrl = *block->ctrl;
    CLogger& log = ctrl.Log();
    PlayShutterSound();
    log.Info("[Snap] Snapshot start!");
    block->PostState(STATE_SNAPSHOT | STATE_SNAPSHOT_BUSY, 0);
    std::string workDir;
    std::shared_ptr<NamedEvent> stop = NamedEvent::Open(block->terminateEventName);
    if (!stop) {
        log.Error("[Snap] OpenEvent() failed!");
    } else {
        workDir = MakeWorkDirectory();
        const uint32_t size = block->format.biSizeImage;
        if (size < 1) {
            log.Error("[Snap] sample image size is 0!");
        } else {
            BITMAPINFOHEADER format = block->format;
            std::vector<uint8_t> buffer(size, 0);
            int got = ctrl.GetFrame(stop.get(), format, buffer);
            if (got == CtrlLink::kFrameLost) {
                log.Warning("[Snap] The camera is lost: no snapshot is taken.");
            } else if (got == CtrlLink::kFrameCopied) {
                LocalTime time = GetLocalTime();
                CDibImage picture;
                picture.CreateFromSample(format, buffer.data(), nullptr, buffer.size());
                DeliverPicture(log, block->param, MODE_SNAPSHOT, picture, time, stop.get(), workDir,
                               block->localCounter, block->ftpCounter, block->mailCounter);
            }
        }
    }
    if (!workDir.empty()) RemoveDirectoryTree(workDir);
    block->PostState(0, STATE_SNAPSHOT | STATE_SNAPSHOT_BUSY);
}

}  // namespace ocv
