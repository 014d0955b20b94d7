#pragma once
// What the dialogs would have asked, answered by the test instead of a modal box.
#include <functional>
#include <vector>

#include <QApplication>
#include <QDialog>
#include <QTimer>

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

// Runs `act` on the modal dialog that `run` opens (the first modal one other than the one
// active now), then returns what `run` returned.
template <class Run>
bool WithModal(std::function<void(QDialog*)> act, Run run) {
    QWidget* before = QApplication::activeModalWidget();
    auto* poll = new QTimer;
    poll->setInterval(0);
    QObject::connect(poll, &QTimer::timeout, [poll, before, act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog == before) return;
        poll->stop();
        poll->deleteLater();
        act(dialog);
    });
    poll->start();
    return run();
}

}  // namespace ocv::test
