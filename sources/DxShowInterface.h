#pragma once
// What the local capture device source and the network stream source share: the last error
// (a message and the library's own text for it), the format-settable flag and the report of a
// failed connect.
#include <memory>
#include <mutex>
#include <string>

#include "foundation/CamSource.h"

namespace ocv {

class CDxShowInterface : public CCamSource {
public:
    CDxShowInterface(std::shared_ptr<FrameNotifier> view, std::shared_ptr<CLogger> logger,
                     const char* library)
        : CCamSource(std::move(view), std::move(logger)), library_(library) {}

    // The message of the last failure and the library's text of its cause ("" when none).
    std::string LastErrorText();
    std::string LastErrorDetail();
    bool FormatSettable() const { return formatSettable_; }

protected:
    void ClearLastError();
    // Keeps the failure as the last error; returns false so a step can end with it.
    bool Fail(const std::string& message, const std::string& detail = {});
    // The error box of a failed connect: "Connect camera failed!" with the reason and the
    // library's text, as the last error holds them.
    void ReportConnectFailure();
    // The first steps of every Connect: clears the last error, then checks that the record
    // names a device type and that it is `type`; a failure is kept, reported and false.
    // `unsupported` is the failure text of a record of another type.
    bool CheckConnectRecord(const DeviceInfo* info, int32_t type, const char* unsupported);
    // Fails the connect with `message` and the system's text of `code`, and reports it.
    int FailConnect(const std::string& message, int code);

    bool formatSettable_ = false;

private:
    const char* library_;
    std::mutex errorMutex_;
    std::string errorText_;
    std::string errorDetail_;
};

}  // namespace ocv
