#pragma once
// A controller connected to the camera simulator on loopback, for the dialogs that show a
// camera's pictures.
#include <memory>
#include <string>
#include <vector>

#include "../app/Process.h"
#include "../foundation/TempDir.h"
#include "controller/OcvCtrl.h"
#include "platform/Dispatcher.h"
#include "platform/Files.h"
#include "sources/SourceFactory.h"

namespace ocv::test {

// Connected at first as a Motion-JPEG URL.
class SimCamera {
public:
    // `scene` holds the simulator's scene options ({"--still"} for a still one).
    explicit SimCamera(const std::string& size = "320x240",
                       const std::vector<std::string>& scene = {}) {
        std::vector<std::string> args{std::string(OCV_BINARY_DIR) + "/tools/ocv-camsim",
                                      "--port", "0", "--size", size, "--fps", "10"};
        args.insert(args.end(), scene.begin(), scene.end());
        sim_ = std::make_unique<ocvtest::Process>(args, dir_.File("sim.out"), dir_.File("sim.err"));
        ctrl_ = std::make_unique<COcvCtrl>(dispatcher_, CreateCameraSource, dir_.Path());
        ctrl_->Create();
        ctrl_->Log().SetPath(dir_.File("log.txt"));
        const int port = ocvtest::ListeningPort(*sim_);
        if (port == 0) return;
        url_ = "http://127.0.0.1:" + std::to_string(port) + "/";
        connected_ = Connect(DEVICE_MJPEG_URL, url_, 0, 0) == 1;
    }
    // Connects the controller again to `url` as a camera of `type`.
    int Connect(int type, const std::string& url, int width, int height) {
        OcvParam p = ctrl_->Param();
        p.deviceInfo = DeviceInfo{};
        p.deviceInfo.deviceType = type, p.deviceInfo.deviceName = url;
        p.deviceInfo.frameWidth = width, p.deviceInfo.frameHeight = height;
        ctrl_->SetParam(p);
        return ctrl_->ConnectCamera();
    }
    bool Connected() const { return connected_; }
    const std::string& Url() const { return url_; }
    const std::string& Dir() const { return dir_.Path(); }
    COcvCtrl* Ctrl() const { return ctrl_.get(); }
    uint64_t Pictures() const {
        auto source = ctrl_ ? ctrl_->Source() : nullptr;
        return source ? source->PictureNumber() : 0;
    }

private:
    // Destroyed in reverse: the controller, then the simulator, then the directory.
    TempDir dir_;
    std::string url_;
    ThreadDispatcher dispatcher_;
    std::unique_ptr<ocvtest::Process> sim_;
    std::unique_ptr<COcvCtrl> ctrl_;
    bool connected_ = false;
};

}  // namespace ocv::test
