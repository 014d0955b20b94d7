// The local capture source on a capture-device layer of the test's own: selection by card name
// and number, the format agreed on and read back into the record, pictures turned bottom-up,
// a device that is pulled out and plugged in again, and the text of --list-devices.
#include <gtest/gtest.h>

#include <tuple>

#include "FakeCaptureSystem.h"
#include "SourceTestSupport.h"
#include "sources/LocalCaptureInterface.h"

namespace ocv {
namespace {

using test::FakeCaptureSystem;

struct Capture {
    std::shared_ptr<FakeCaptureSystem> system = std::make_shared<FakeCaptureSystem>();
    test::TestLog log;
    test::FrameCounter counter;
    std::shared_ptr<CLocalCaptureInterface> source =
        std::make_shared<CLocalCaptureInterface>(counter.notifier, log.Logger(), system);
    DeviceInfo info;
    Capture() { info.deviceType = DEVICE_LOCAL_CAPTURE; }
};

TEST(LocalCapture, ADeviceIsChosenByItsCardNameAndNumber) {
    FakeCaptureSystem three;
    for (const char* card : {"USB Camera", "Laptop Cam", "USB Camera"}) three.Add(card);
    const std::vector<CaptureDeviceEntry> devices = three.List();
    // The name, the number among the devices of that name, the device chosen (-1: none). Card
    // names compare case-sensitively; no name means the first device.
    for (auto [name, no, index] : {std::tuple{"USB Camera", 0, 0}, {"USB Camera", 1, 2},
                                   {"USB Camera", 2, -1}, {"Laptop Cam", 0, 1}, {"usb camera", 0, -1},
                                   {"", 0, 0}, {"Nothing Like It", 0, -1}})
        EXPECT_EQ(SelectCaptureDevice(devices, name, no), index) << name << " #" << no;
    // Through the source: the chosen device is opened and its card name stored.
    Capture c;
    auto usb = c.system->Add("USB Camera"), laptop = c.system->Add("Laptop Cam");
    ASSERT_EQ(c.source->Connect(&c.info), 1) << c.log.Dump();
    EXPECT_EQ(usb->opened, 1);
    EXPECT_EQ(c.info.deviceName, "USB Camera");
    EXPECT_EQ(c.log.Count("FilterName=USB Camera"), 1);
    c.source->Disconnect();
    c.info.deviceName = "usb camera";
    EXPECT_EQ(c.source->Connect(&c.info), 0);
    EXPECT_EQ(c.log.Count("Connect camera failed!"), 1) << c.log.Dump();
    EXPECT_EQ(c.log.Count("The specified capture device is not found!"), 1);
    EXPECT_EQ(usb->opened + laptop->opened, 1);
}

TEST(LocalCapture, TheFormatTheDeviceAgreedOnIsReadBackIntoTheRecord) {
    struct Row {
        const char* name;
        int rate, width, height;           // asked for (0: the default)
        bool accepts;                      // the device takes a format (else: not settable)
        int gotRate, gotWidth, gotHeight;  // what the record holds afterwards
    };
    const Row rows[] = {
        {"defaults", 0, 0, 0, true, 30, 320, 240},
        {"an offered mode", 15, 640, 480, true, 15, 640, 480},
        {"too large: the nearest below", 30, 1280, 720, true, 30, 640, 480},
        {"an unoffered rate", 25, 160, 120, true, 30, 160, 120},
        {"a fixed format", 15, 160, 120, false, 30, 640, 480},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Capture c;
        c.system->Add("USB Camera")->acceptsFormat = row.accepts;
        c.info.frameRate = row.rate, c.info.frameWidth = row.width, c.info.frameHeight = row.height;
        ASSERT_EQ(c.source->Connect(&c.info), 1) << c.log.Dump();
        EXPECT_EQ(c.info.frameRate, row.gotRate);
        EXPECT_EQ(c.info.frameWidth, row.gotWidth);
        EXPECT_EQ(c.info.frameHeight, row.gotHeight);
        EXPECT_EQ(c.source->HasFormatPage(), row.accepts);
        EXPECT_EQ(c.log.Count("Can't setup format information."), row.accepts ? 0 : 1);
        EXPECT_EQ(c.log.Count("Get the format information. FrameRate=" + std::to_string(row.gotRate) +
                              ", Width=" + std::to_string(row.gotWidth) + ", Height=" +
                              std::to_string(row.gotHeight)), 1) << c.log.Dump();
        BITMAPINFOHEADER h{};
        c.source->GetFormat(&h);
        EXPECT_EQ(h.biWidth, row.gotWidth);
        EXPECT_EQ(h.biHeight, row.gotHeight);
        ASSERT_TRUE(c.counter.WaitFrames(2, 5000));
        std::vector<uint8_t> pixels(h.biSizeImage);
        ASSERT_TRUE(c.source->GetSample(pixels.data(), h.biSizeImage));
        // The device's first row (blue) is the sample's last row: the picture is bottom-up.
        const uint8_t* top = pixels.data() + DibStride(row.gotWidth, 24) * (row.gotHeight - 1);
        EXPECT_EQ(top[0], 255);
        EXPECT_EQ(top[2], 0);
        EXPECT_NE(pixels[0], 255);
        c.source->Disconnect();
        EXPECT_EQ(c.source->GetSampleSize(), 0u);
    }
}

TEST(LocalCapture, APulledOutDeviceComesBackByItself) {
    Capture c;
    c.source->SetTimings({300});
    auto cam = c.system->Add("USB Camera");
    c.info.deviceName = "USB Camera";
    ASSERT_EQ(c.source->Connect(&c.info), 1) << c.log.Dump();
    ASSERT_TRUE(c.counter.WaitFrames(3, 5000));
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        cam->present = false;
        EXPECT_TRUE(c.log.WaitFor("[SampleThread] The capture device was lost: ", round, 5000))
            << c.log.Dump();
        cam->present = true;
        EXPECT_TRUE(c.log.WaitFor("[SampleThread] The capture device is back [USB Camera]", round, 15000))
            << c.log.Dump();
        EXPECT_TRUE(c.counter.WaitFrames(c.counter.frames + 3, 5000));
        EXPECT_TRUE(c.source->IsConnected());
    }
    EXPECT_EQ(cam->opened, 3);
    EXPECT_EQ(c.log.Count("Connect camera failed!"), 0);
    c.source->Disconnect();
}

TEST(LocalCapture, DeviceListShowsCardNamesAndModes) {
    FakeCaptureSystem none;
    EXPECT_EQ(DescribeCaptureDevices(none), "No capture device found.\n");
    FakeCaptureSystem two;
    two.Add("USB Camera");
    two.Add("Laptop Cam", {{"MJPG", 1280, 720, {}}});
    std::string text = DescribeCaptureDevices(two);
    EXPECT_NE(text.find("/dev/video0  \"USB Camera\""), std::string::npos) << text;
    EXPECT_NE(text.find("YUYV 640x480 @ 30/15 fps"), std::string::npos) << text;
    EXPECT_NE(text.find("/dev/video1  \"Laptop Cam\""), std::string::npos) << text;
    EXPECT_NE(text.find("MJPG 1280x720\n"), std::string::npos) << text;
}

}  // namespace
}  // namespace ocv
