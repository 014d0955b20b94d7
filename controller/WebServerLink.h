#pragma once
// The web server's view of its controller, through the controller's link and the server thread's
// own token, so a server that was given up on neither changes state nor gets frames.
#include <memory>
#include <string>

#include "controller/CtrlLink.h"
#include "net/WebServerHost.h"

namespace ocv {

class WebServerLink : public IWebServerHost {
public:
    WebServerLink(std::shared_ptr<CtrlLink> link, std::shared_ptr<WorkerToken> worker,
                  const std::string& stopEventName)
        : link_(std::move(link)),
          worker_(std::move(worker)),
          stop_(NamedEvent::Open(stopEventName)) {}

    bool GetFrame(uint8_t* buffer, uint32_t size) override {
        if (!stop_) return false;
        return link_->GetFrame(stop_.get(), buffer, size) != 0;
    }
    Frame GetLiveFrame(BITMAPINFOHEADER& format, std::vector<uint8_t>& buffer) override {
        if (!stop_) return Frame::kStopped;
        switch (link_->GetFrame(stop_.get(), format, buffer)) {
            case CtrlLink::kFrameStopped: return Frame::kStopped;
            case CtrlLink::kFrameLost: return Frame::kLost;
            default: return Frame::kPicture;
        }
    }
    uint64_t FrameNumber() override {
        if (!stop_ || stop_->IsSet() || link_->IsLost()) return 0;
        return link_->PictureNumber();
    }
    void SetState(uint32_t set, uint32_t clear) override { link_->PostState(worker_, set, clear); }
    CLogger& Log() override { return link_->Log(); }
    void ShowMessageBox(const std::string& text) override {
        link_->Log().Write(text, LOG_ERROR, true);
    }

private:
    std::shared_ptr<CtrlLink> link_;
    std::shared_ptr<WorkerToken> worker_;
    std::shared_ptr<NamedEvent> stop_;
};

}  // namespace ocv
