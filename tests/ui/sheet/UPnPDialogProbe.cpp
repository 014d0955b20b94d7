// Opens the "UPnP test" dialog off screen for a port and local address, waits until its steps
// have run against the gateway of the network it is in, and prints the dialog's text.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QThread>

#include "ui/UPnPTestDialog.h"

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <port> <local address>\n", argv[0]);
        return 2;
    }
    ocv::CUPnPTestDialog dlg(std::atoi(argv[1]), argv[2]);
    dlg.show();
    // The steps are bounded in time themselves; this only keeps a fault from hanging the test.
    for (int i = 0; i < 6000 && !dlg.Finished(); ++i) {
        QApplication::processEvents();
        QThread::msleep(5);
    }
    QApplication::processEvents();
    std::fputs(dlg.Text().c_str(), stdout);
    return dlg.Finished() ? 0 : 1;
}
