#pragma once
// What the target dialogs would have asked, answered by the test instead of a modal box.

#include "../UiTestSupport.h"
#include "ui/TargetText.h"

namespace ocv::test {

struct MessageRecorder {
    explicit MessageRecorder(QMessageBox::StandardButton answer = QMessageBox::Ok) {
        SetTargetMessageHook([this, answer](const QString& text, QMessageBox::StandardButtons b) {
            return texts.push_back(text), offered.push_back(b), answer;
        });
    }
    ~MessageRecorder() { SetTargetMessageHook({}); }
    std::vector<QString> texts;
    std::vector<QMessageBox::StandardButtons> offered;
};

}  // namespace ocv::test
