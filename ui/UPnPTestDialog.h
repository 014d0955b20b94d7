#pragma once
// "UPnP test": runs the UPnP steps for the web server's port and address on a worker thread half
// a second after it opens and shows their lines as they come.
#include <memory>
#include <string>
#include <thread>

#include <QDialog>

#include "ui/UPnPTestSequence.h"

class QPlainTextEdit;

namespace ocv {

class CUPnPTestDialog : public QDialog {
    Q_OBJECT
public:
    CUPnPTestDialog(int port, std::string localAddress, UPnPSteps steps = GatewayUPnPSteps(),
                    QWidget* parent = nullptr);
    ~CUPnPTestDialog() override;
    // Everything written so far, with its CR LF line ends.
    const std::string& Text() const { return text_; }
    bool Finished() const { return finished_; }
    // Starts the sequence now instead of after the timer.
    void Start();

private:
    void Append(const std::string& line);

    int port_;
    std::string localAddress_;
    UPnPSteps steps_;
    std::string text_;
    bool started_ = false;
    bool finished_ = false;
    QPlainTextEdit* box_ = nullptr;
    StopEvent stop_;
    std::thread worker_;
};

}  // namespace ocv
