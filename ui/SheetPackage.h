#pragma once
// What a package setup does to the sheet's record: one target's settings copied into the same
// target of the chosen modes.
#include "config/OcvParam.h"
#include "ui/SettingDialogs.h"

namespace ocv {

// Every FTP setting except the image settings, into the FTP target of each chosen mode.
void ApplyFtpPackage(OcvParam& param, const FtpInfo& from, const ModeChoice& modes);
// Every e-mail setting except the image settings, into the e-mail target of each chosen mode.
void ApplySmtpPackage(OcvParam& param, const SmtpInfo& from, const ModeChoice& modes);
// The image settings into each chosen [mode][target] (live, motion, snapshot by hard disk, FTP,
// e-mail).
void ApplyImagePackage(OcvParam& param, const ImageSettings& from, const ImageChoice& targets);

}  // namespace ocv

namespace ocv {

// The modes of the record by number: 0 live, 1 motion, 2 snapshot.
enum SheetMode { kLiveMode = 0, kMotionMode = 1, kSnapshotMode = 2 };

LocalSetting& LocalOf(OcvParam& param, int mode);
FtpInfo& FtpOf(OcvParam& param, int mode);
SmtpInfo& SmtpOf(OcvParam& param, int mode);
// The enable flags of a mode's targets; the snapshot has no local flag (it always saves) and
// gives nullptr for it.
int32_t* EnableLocalOf(OcvParam& param, int mode);
int32_t& EnableFtpOf(OcvParam& param, int mode);
int32_t& EnableSmtpOf(OcvParam& param, int mode);

}  // namespace ocv
