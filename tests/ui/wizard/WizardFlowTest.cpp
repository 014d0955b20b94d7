// The connection wizard: which page follows which choice, the refusals of Finish, and the
// device information each last page yields.
#include <gtest/gtest.h>

#include "../../foundation/TempDir.h"
#include "../UiTestSupport.h"
#include "WizardDriver.h"
#include "config/ConfigFiles.h"
#include "foundation/Logger.h"
#include "sources/CameraUrl.h"
#include "ui/WizardMessage.h"

using namespace ocv;
using namespace ocvtest;

namespace {

struct WizardTest : ::testing::Test {
    void SetUp() override {
        SetWizardMessageHook([this](const QString& text) { shown_.push_back(text.toStdString()); });
    }
    void TearDown() override { SetWizardMessageHook({}); }

    std::shared_ptr<ListedDevices> devices_ = std::make_shared<ListedDevices>(
        std::vector<CaptureDeviceEntry>{{"/dev/video0", "USB Camera", "uvcvideo", "usb-1"},
                                        {"/dev/video2", "Board Camera", "bttv", "pci-1"},
                                        {"/dev/video4", "USB Camera", "uvcvideo", "usb-2"}});
    std::vector<std::string> shown_;
};

// Each choice leads to its last page, through the network page only for network cameras; there
// Finish refuses what the page lacks with its message and the wizard stays on the page.
TEST_F(WizardTest, EachChoiceReachesItsPageAndFinishRefusesWhatItLacks) {
    const char* noUrl = "接続先URLを入力してください!";
    // Type (0: the connection file), its page, the address ("" leaves the page as it is), the
    // refusal.
    const std::tuple<int, int, const char*, std::string> rows[] = {
        {DEVICE_LOCAL_CAPTURE, kPageVideoCapture, "", "接続カメラを選択してください!"},
        {DEVICE_NETWORK_STREAM, kPageWmEncorder, "", noUrl}, {DEVICE_PEER_INSTANCE, kPageOcuvane, "", noUrl},
        {DEVICE_PANASONIC, kPagePanasonic, "  ", noUrl}, {DEVICE_AXIS, kPageAxis, "", noUrl},
        {DEVICE_VIVOTEK, kPageVivotek, "", noUrl}, {DEVICE_MEGACHIPS, kPageMegaChips, "", noUrl},
        {DEVICE_MJPEG_URL, kPageMjpegUrl, "", noUrl},
        {0, kPageFileLoad, "/nonexistent/camera.dev", "Can't load Device Information File!"},
    };
    for (const auto& [type, page, address, message] : rows) {
        SCOPED_TRACE(type);
        shown_.clear();
        CSelectCameraDialog w(CameraSelection{}, devices_);
        w.show();
        GoToLastPage(w, type);
        EXPECT_EQ(w.currentId(), page);
        EXPECT_EQ(w.currentPage()->nextId(), -1) << "a last page finishes the wizard";
        EXPECT_EQ(w.visitedIds().contains(kPageSelectNetDevice), type >= DEVICE_NETWORK_STREAM);
        EnterAddress(w, address);
        w.button(QWizard::FinishButton)->click();
        EXPECT_EQ(shown_, std::vector{message});
        EXPECT_EQ(w.Refusal().toStdString(), message);
        EXPECT_TRUE(w.isVisible() && w.result() == 0 && w.currentId() == page) << "stays on the page";
    }
}

TEST_F(WizardTest, EachFamilyPageFillsAFreshRecord) {
    const std::string url = "http://user:pw@127.0.0.1:8080/";
    // The type, the page's fields as a person sets them, and what they give.
    const std::tuple<int, std::function<void(CModelFormatPanel&)>, std::function<void(DeviceInfo&)>>
        rows[] = {
            {DEVICE_PEER_INSTANCE,
             [](auto& p) { p.QualitySlider()->setValue(75), p.PasswordField()->setText("secret"); },
             [](DeviceInfo& d) { d.quality = 75, d.password = "secret"; }},
            {DEVICE_PANASONIC,
             [](auto& p) { p.SizeBox()->setCurrentIndex(2), p.QualityBox()->setCurrentIndex(2); },
             [](DeviceInfo& d) { d.frameWidth = 640, d.frameHeight = 480, d.quality = 2; }},
            // The type is chosen first and brings its size list; its camera list is enabled.
            {DEVICE_AXIS,
             [](auto& p) {
                 p.TypeBox()->setCurrentIndex(3), p.SizeBox()->setCurrentIndex(0);
                 EXPECT_TRUE(p.CameraBox()->isEnabled());
                 p.CameraBox()->setCurrentIndex(1);
             },
             [](DeviceInfo& d) { d.frameWidth = 704, d.frameHeight = 480, d.subType = 3, d.cameraNo = 1; }},
            {DEVICE_VIVOTEK,
             [](auto& p) {
                 p.TypeBox()->setCurrentIndex(1), p.SizeBox()->setCurrentIndex(2);
                 p.CameraBox()->setCurrentIndex(4), p.QualityBox()->setCurrentIndex(3);
             },
             [](DeviceInfo& d) { d.size = 2, d.subType = 1, d.cameraNo = 4, d.quality = 3; }},
            {DEVICE_MEGACHIPS, [](auto&) {}, [](DeviceInfo&) {}},
            {DEVICE_MJPEG_URL, [](auto&) {}, [](DeviceInfo&) {}},
        };
    // The camera had other values before: none of them survive into the new record.
    CameraSelection initial{DeviceInfo{}, "Gate"};
    initial.info.deviceType = DEVICE_LOCAL_CAPTURE, initial.info.deviceName = "USB Camera";
    initial.info.frameRate = 15, initial.info.password = "old";
    for (const auto& [type, set, expect] : rows) {
        SCOPED_TRACE(type);
        shown_.clear();
        CSelectCameraDialog w(initial, devices_);
        w.show();
        GoToLastPage(w, type);
        auto* page = dynamic_cast<CModelWizardPage*>(w.currentPage());
        ASSERT_NE(page, nullptr);
        EnterAddress(w, url);
        set(*page->Panel());
        w.button(QWizard::FinishButton)->click();
        EXPECT_TRUE(shown_.empty()) << shown_[0];
        EXPECT_EQ(w.result(), QDialog::Accepted);
        DeviceInfo expected;
        expected.deviceType = type, expected.deviceName = url;
        expect(expected);
        EXPECT_EQ(w.Result().info, expected);
        EXPECT_EQ(w.Result().name, "Gate");
    }
}

TEST_F(WizardTest, AConnectionFileGivesItsWholeRecord) {
    TempDir dir;
    CLogger log;
    DeviceInfo saved;
    saved.deviceType = DEVICE_VIVOTEK, saved.deviceName = "http://127.0.0.1:8081/";
    saved.quality = 4, saved.cameraNo = 2, saved.size = 1, saved.password = "pw";
    DeviceInfo unknownType = saved, badUrl = saved;
    unknownType.deviceType = 42, badUrl.deviceName = "127.0.0.1/cgi-bin";
    ASSERT_TRUE(SaveDeviceInfoFile(dir.File("cam.dev"), saved, log));
    ASSERT_TRUE(SaveDeviceInfoFile(dir.File("odd.dev"), unknownType, log));
    ASSERT_TRUE(SaveDeviceInfoFile(dir.File("bad.dev"), badUrl, log));
    std::string why;
    CheckCameraAddress(DEVICE_VIVOTEK, badUrl.deviceName, why);
    const std::string unloadable = "Can't load Device Information File!";
    // file, message (none: it finishes)
    const std::pair<std::string, std::string> rows[] = {
        {"cam.dev", ""}, {"odd.dev", unloadable}, {"bad.dev", why}, {"", unloadable}};
    for (const auto& [file, message] : rows) {
        SCOPED_TRACE(file);
        shown_.clear();
        CSelectCameraDialog w(CameraSelection{}, devices_, &log);
        GoToLastPage(w, 0);
        EnterAddress(w, file.empty() ? "" : dir.File(file));
        EXPECT_EQ(w.validateCurrentPage(), message.empty());
        EXPECT_EQ(shown_, message.empty() ? std::vector<std::string>{} : std::vector{message});
        EXPECT_TRUE(!message.empty() || w.Result().info == saved);
    }
}

}  // namespace
