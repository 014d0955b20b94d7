#include "app/desktop/CaptureSettingMode.h"

#include <QMessageBox>

#include "app/Host.h"
#include "app/desktop/TrayMenu.h"
#include "ui/CapSettingDialog.h"

namespace ocv {

int RunCaptureSettingMode(const std::string& programDir, int number,
                          const CaptureSettingPrompts& prompts) {
    auto message = [&prompts](const QString& text) {
        if (prompts.message)
            prompts.message(text);
        else
            QMessageBox::information(nullptr, ApplicationTitle(), text);
    };
    ThreadDispatcher dispatcher;
    Host host(programDir, dispatcher, {});
    if (!host.Load()) {
        message(QString::fromStdString(host.Document().LastError()));
        return 1;
    }
    auto& cameras = host.Document().cameras;
    if (cameras.empty()) {
        message("Please connect camera!");
        return 1;
    }
    if (number < 1 || static_cast<size_t>(number) > cameras.size()) {
        message(QString::fromUtf8("There is no camera of the specified number！"));
        return 1;
    }
    OcvParam& param = cameras[static_cast<size_t>(number) - 1].param;
    std::optional<OcvParam> edited;
    if (prompts.sheet) {
        edited = prompts.sheet(param);
    } else {
        CCapSettingDialog sheet(param);
        sheet.setWindowTitle("Capture Setting");
        if (sheet.exec() == QDialog::Accepted) edited = sheet.Result();
    }
    if (!edited) return 0;
    param = *edited;
    if (!host.Save()) {
        message(QString::fromStdString(host.Document().LastError()));
        return 1;
    }
    return 0;
}

}  // namespace ocv
