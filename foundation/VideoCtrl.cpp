#include "foundation/VideoCtrl.h"

namespace ocv {

CVideoCtrl::CVideoCtrl(std::shared_ptr<CLogger> logger, SourceFactory factory)
    : logger_(logger ? std::move(logger) : std::make_shared<CLogger>()),
      factory_(std::move(factory)),
      notifier_(std::make_shared<FrameNotifier>()) {}

CVideoCtrl::~CVideoCtrl() {
    notifier_->Clear();
    Disconnect();
}

bool CVideoCtrl::Connect(const DeviceInfo& info) {
    if (source_) Disconnect();
    info_ = info;
    if (!IsKnownDeviceType(info_.deviceType) || !factory_) return false;
    source_ = factory_(info_.deviceType, notifier_, logger_);
    if (!source_) return false;
    bool ok = source_->Connect(&info_) > 0;
    source_->SetViewSize(cx_, cy_);
    return ok;
}

void CVideoCtrl::Disconnect() {
    if (!source_) return;
    source_->Disconnect();
    source_.reset();
}

bool CVideoCtrl::IsConnected() { return source_ && source_->IsConnected(); }
bool CVideoCtrl::HasFormatPage() { return source_ && source_->HasFormatPage(); }
bool CVideoCtrl::ShowFormatPage(IDialogHost* parent) {
    return source_ && source_->ShowFormatPage(parent, &info_);
}
bool CVideoCtrl::HasDevicePage() { return source_ && source_->HasDevicePage(); }
bool CVideoCtrl::ShowDevicePage(IDialogHost* parent) {
    return source_ && source_->ShowDevicePage(parent, &info_);
}
bool CVideoCtrl::GetFormat(BITMAPINFOHEADER* out) { return source_ && source_->GetFormat(out); }
bool CVideoCtrl::GetSample(uint8_t* buffer, uint32_t size) {
    return source_ && source_->GetSample(buffer, size);
}
uint32_t CVideoCtrl::GetSampleSize() { return source_ ? source_->GetSampleSize() : 0; }
void CVideoCtrl::EnableSampleCallback(bool enable) {
    if (source_) source_->EnableSampleCallback(enable);
}
int32_t CVideoCtrl::GetFrameWidth() {
    BITMAPINFOHEADER h{};
    return GetFormat(&h) ? h.biWidth : 0;
}
int32_t CVideoCtrl::GetFrameHeight() {
    BITMAPINFOHEADER h{};
    return GetFormat(&h) ? h.biHeight : 0;
}

bool CVideoCtrl::Paint(const PaintFn& paint) {
    if (!source_ || !source_->IsConnected()) return false;
    return source_->Draw(paint);
}

void CVideoCtrl::OnSize(int cx, int cy) {
    cx_ = cx;
    cy_ = cy;
    if (source_) source_->SetViewSize(cx, cy);
}

void CVideoCtrl::SetFrameListener(std::function<void()> listener) {
    notifier_->Set(std::move(listener));
}

}  // namespace ocv
