#include "sources/DxShowInterface.h"

#include <cstring>

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

bool CDxShowInterface::CheckConnectRecord(const DeviceInfo* info, int32_t type,
                                          const char* unsupported) {
    ClearLastError();
    Log().Debug("Check device type");
    if (!info || info->deviceType == 0) {
        FailConnect("There is no device type specification!", EINVAL);
        return false;
    }
    Log().Debug("Get capturefilter");
    if (info->deviceType != type) {
        FailConnect(unsupported, EINVAL);
        return false;
    }
    return true;
}

int CDxShowInterface::FailConnect(const std::string& message, int code) {
    Fail(message, std::strerror(code));
    ReportConnectFailure();
    return 0;
}

void CDxShowInterface::ReportConnectFailure() {
    std::string text = LastErrorText(), detail = LastErrorDetail();
    Log().ErrorBox("Connect camera failed!\r\n[Reason] : %s\r\n[%s] : %s", text.c_str(), library_,
                   detail.c_str());
}

}  // namespace ocv
