#include "ui/SheetPackage.h"

namespace ocv {
namespace {

template <class Target, class Fn>
void ForModes(OcvParam& p, const ModeChoice& modes, Fn fn) {
    if (modes.live) fn(p.vistrel);
    if (modes.motion) fn(p.motion);
    if (modes.snapshot) fn(p.snapShot);
}

template <class Info>
void CopyKeepingImage(Info& to, const Info& from) {
    const ImageSettings image = to.image;
    to = from;
    to.image = image;
}

}  // namespace

void ApplyFtpPackage(OcvParam& param, const FtpInfo& from, const ModeChoice& modes) {
    ForModes<FtpInfo>(param, modes, [&](auto& mode) { CopyKeepingImage(mode.ftp, from); });
}

void ApplySmtpPackage(OcvParam& param, const SmtpInfo& from, const ModeChoice& modes) {
    ForModes<SmtpInfo>(param, modes, [&](auto& mode) { CopyKeepingImage(mode.smtp, from); });
}

void ApplyImagePackage(OcvParam& param, const ImageSettings& from, const ImageChoice& targets) {
    auto apply = [&](auto& mode, const std::array<bool, 3>& row) {
        if (row[0]) mode.local.image = from;
        if (row[1]) mode.ftp.image = from;
        if (row[2]) mode.smtp.image = from;
    };
    apply(param.vistrel, targets[0]);
    apply(param.motion, targets[1]);
    apply(param.snapShot, targets[2]);
}

}  // namespace ocv

namespace ocv {
namespace {
template <class Fn>
decltype(auto) OnMode(OcvParam& p, int mode, Fn fn) {
    if (mode == kLiveMode) return fn(p.vistrel);
    if (mode == kMotionMode) return fn(p.motion);
    return fn(p.snapShot);
}
}  // namespace

LocalSetting& LocalOf(OcvParam& p, int mode) {
    return OnMode(p, mode, [](auto& m) -> LocalSetting& { return m.local; });
}
FtpInfo& FtpOf(OcvParam& p, int mode) {
    return OnMode(p, mode, [](auto& m) -> FtpInfo& { return m.ftp; });
}
SmtpInfo& SmtpOf(OcvParam& p, int mode) {
    return OnMode(p, mode, [](auto& m) -> SmtpInfo& { return m.smtp; });
}
int32_t* EnableLocalOf(OcvParam& p, int mode) {
    if (mode == kLiveMode) return &p.vistrel.enableLocal;
    if (mode == kMotionMode) return &p.motion.enableLocal;
    return nullptr;
}
int32_t& EnableFtpOf(OcvParam& p, int mode) {
    return OnMode(p, mode, [](auto& m) -> int32_t& { return m.enableFtp; });
}
int32_t& EnableSmtpOf(OcvParam& p, int mode) {
    return OnMode(p, mode, [](auto& m) -> int32_t& { return m.enableSmtp; });
}

}  // namespace ocv
