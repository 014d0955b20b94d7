#pragma once
// "-s N": camera N's "Capture Setting" sheet alone, without tray, windows or cameras.
#include <functional>
#include <optional>
#include <string>

#include <QString>

#include "config/OcvParam.h"

namespace ocv {

struct CaptureSettingPrompts {
    // A message box with the program's title; QMessageBox when empty.
    std::function<void(const QString& text)> message;
    // The sheet over a copy of the record: the edited record after OK, nothing on Cancel;
    // CCapSettingDialog when empty.
    std::function<std::optional<OcvParam>(const OcvParam& param)> sheet;
};

// Loads ocv.xml of `programDir`, shows camera `number`'s (from 1) sheet and on OK writes the
// record back and saves. Returns 0 when the sheet was shown, 1 when there is no such camera or
// the document could not be read or written.
int RunCaptureSettingMode(const std::string& programDir, int number,
                          const CaptureSettingPrompts& prompts = {});

}  // namespace ocv
