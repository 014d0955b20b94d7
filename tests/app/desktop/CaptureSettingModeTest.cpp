// "-s N": the messages for no camera and a number too big, and the edited record saved on OK.
#include <gtest/gtest.h>

#include "DesktopFixture.h"
#include "app/desktop/CaptureSettingMode.h"
#include "config/ConfigDocument.h"
#include "foundation/Logger.h"

using namespace ocv;
using namespace ocvtest;

namespace {

TEST(CaptureSettingModeTest, MessagesAndSave) {
    App();
    // `ok`: OK in the sheet (the name is changed) or Cancel; `nameAfter`: of camera `number`
    // in ocv.xml, null when not looked at.
    struct Row {
        int cameras, number;
        bool ok;
        const char* message;
        int exitCode;
        const char* nameAfter;
    };
    const Row rows[] = {
        {0, 1, true, "Please connect camera!", 1, nullptr},
        {2, 3, true, "There is no camera of the specified number！", 1, nullptr},
        {2, 2, true, "", 0, "edited"},
        {2, 1, false, "", 0, "cam1"},
        {1, 1, true, "", 0, "edited"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.cameras) + " cameras, -s " + std::to_string(row.number));
        TempDir dir;
        CLogger quiet;
        ConfigDocument doc(dir.Path());
        for (int i = 1; i <= row.cameras; ++i) {
            doc.cameras.push_back(doc.NewCamera());
            doc.cameras.back().param.name = "cam" + std::to_string(i);
        }
        ASSERT_TRUE(doc.SaveConfiguration(quiet));
        QString shown;
        std::string sheetFor;
        CaptureSettingPrompts prompts;
        prompts.message = [&](const QString& text) { shown += text; };
        prompts.sheet = [&](const OcvParam& param) -> std::optional<OcvParam> {
            sheetFor = param.name;
            if (!row.ok) return std::nullopt;
            OcvParam edited = param;
            edited.name = "edited";
            return edited;
        };
        EXPECT_EQ(RunCaptureSettingMode(dir.Path(), row.number, prompts), row.exitCode);
        EXPECT_EQ(shown.toStdString(), row.message);
        // No sheet without the camera.
        EXPECT_EQ(sheetFor, row.nameAfter ? "cam" + std::to_string(row.number) : "");
        if (!row.nameAfter) continue;
        ConfigDocument after(dir.Path());
        ASSERT_TRUE(after.LoadConfiguration(quiet));
        ASSERT_EQ(after.cameras.size(), static_cast<size_t>(row.cameras));
        EXPECT_EQ(after.cameras[static_cast<size_t>(row.number) - 1].param.name, row.nameAfter);
    }
}

}  // namespace
