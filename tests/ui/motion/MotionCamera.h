#pragma once
// A controller connected to the camera simulator on loopback, for the motion dialogs' preview.
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <stdlib.h>

#include "../../app/Process.h"
#include "controller/OcvCtrl.h"
#include "platform/Dispatcher.h"
#include "platform/Files.h"
#include "sources/SourceFactory.h"

namespace motiontest {

class SimCamera {
public:
    // `scene` holds the simulator's scene options ({"--still"} for a still one).
    SimCamera(const std::string& size, const std::vector<std::string>& scene) {
        char tmpl[] = "/tmp/ocvmotiondlgXXXXXX";
        dir_ = ::mkdtemp(tmpl);
        std::vector<std::string> args{std::string(OCV_BINARY_DIR) + "/tools/ocv-camsim",
                                      "--port",
                                      "0",
                                      "--size",
                                      size,
                                      "--fps",
                                      "10"};
        args.insert(args.end(), scene.begin(), scene.end());
        sim_ = std::make_unique<ocvtest::Process>(args, ocv::JoinPath(dir_, "sim.out"),
                                                  ocv::JoinPath(dir_, "sim.err"));
        std::smatch m;
        std::string out;
        const std::regex re("127\\.0\\.0\\.1:(\\d+)");
        if (!ocvtest::WaitFor([&] { return std::regex_search(out = sim_->Out(), m, re); }, 10000))
            return;
        ctrl_ = std::make_unique<ocv::COcvCtrl>(dispatcher_, &ocv::CreateCameraSource, dir_);
        ctrl_->Create();
        ctrl_->Log().SetPath(ocv::JoinPath(dir_, "log.txt"));
        ocv::OcvParam p = ctrl_->Param();
        p.deviceInfo.deviceType = 8;  // a Motion-JPEG URL used as given
        p.deviceInfo.deviceName = "http://127.0.0.1:" + m[1].str() + "/";
        ctrl_->SetParam(p);
        connected_ = ctrl_->ConnectCamera() == 1;
    }
    ~SimCamera() {
        ctrl_.reset();
        sim_.reset();
        ocv::RemoveDirectoryTree(dir_);
    }
    bool Connected() const { return connected_; }
    ocv::COcvCtrl* Ctrl() const { return ctrl_.get(); }
    uint64_t Pictures() const {
        auto source = ctrl_ ? ctrl_->Source() : nullptr;
        return source ? source->PictureNumber() : 0;
    }

private:
    std::string dir_;
    ocv::ThreadDispatcher dispatcher_;
    std::unique_ptr<ocvtest::Process> sim_;
    std::unique_ptr<ocv::COcvCtrl> ctrl_;
    bool connected_ = false;
};

}  // namespace motiontest
