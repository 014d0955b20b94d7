#pragma once
// What the target dialogs would have asked, answered by the test instead of a modal box.
#include <functional>
#include <vector>

#include "../UiTestSupport.h"
#include "ui/TargetText.h"

namespace ocv::test {

class MessageRecorder {
public:
    explicit MessageRecorder(QMessageBox::StandardButton answer = QMessageBox::Ok)
        : answer_(answer) {
        SetTargetMessageHook([this](const QString& text, QMessageBox::StandardButtons buttons) {
            texts.push_back(text);
            offered.push_back(buttons);
            return answer_;
        });
    }
    ~MessageRecorder() { SetTargetMessageHook({}); }
    void Answer(QMessageBox::StandardButton answer) { answer_ = answer; }

    std::vector<QString> texts;
    std::vector<QMessageBox::StandardButtons> offered;

private:
    QMessageBox::StandardButton answer_;
};

}  // namespace ocv::test
