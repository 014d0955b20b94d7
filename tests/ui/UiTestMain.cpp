// The dialogs need one QApplication for the whole run, made before the first test.
#include <gtest/gtest.h>

#include <cstdlib>

#include <QApplication>
#include <QtGlobal>

#include "ui/UiText.h"

namespace {
// The off-screen platform says once per shown window that it cannot pass size hints on.
QtMessageHandler g_previous = nullptr;
void DropPlatformNoise(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("propagateSizeHints"))) return;
    if (g_previous) g_previous(type, context, text);
}
}  // namespace

int main(int argc, char** argv) {
    g_previous = qInstallMessageHandler(DropPlatformNoise);
    // Without a display the dialogs draw off screen.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // Texts are checked in English unless a test switches the language itself.
    ocv::SetUiLanguage(ocv::UiLanguage::English);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
