#include "sources/DxShowInterface.h"

namespace ocv {

std::string CDxShowInterface::LastErrorText() {
    std::lock_guard lock(errorMutex_);
    return errorText_;
}

std::string CDxShowInterface::LastErrorDetail() {
    std::lock_guard lock(errorMutex_);
    return errorDetail_;
}

void CDxShowInterface::ClearLastError() {
    std::lock_guard lock(errorMutex_);
    errorText_.clear();
    errorDetail_.clear();
}

bool CDxShowInterface::Fail(const std::string& message, const std::string& detail) {
    std::lock_guard lock(errorMutex_);
    errorText_ = message;
    errorDetail_ = detail;
    return false;
}

void CDxShowInterface::ReportConnectFailure() {
    std::string text = LastErrorText(), detail = LastErrorDetail();
    Log().ErrorBox("Connect camera failed!\r\n[Reason] : %s\r\n[%s] : %s", text.c_str(), library_,
                   detail.c_str());
}

}  // namespace ocv
