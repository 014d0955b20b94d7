#pragma once
// A camera source fed by the test. Connect takes a record with a width, allocating a sample of
// its size when it has a height too.
#include <atomic>
#include <memory>
#include <vector>

#include "foundation/VideoCtrl.h"

class FakeSource : public ocv::CCamSource {
public:
    using CCamSource::CCamSource;
    ~FakeSource() override { Disconnect(); }
    int Connect(const ocv::DeviceInfo* info) override {
        connected_ = info->frameWidth > 0;
        if (connected_ && info->frameHeight > 0)
            AllocateSample(ocv::MakeRgb24Header(info->frameWidth, info->frameHeight));
        return connected_ ? 1 : 0;
    }
    void Disconnect() override {
        connected_ = false;
        FreeSample();
        ++disconnects;
    }
    bool IsConnected() override { return connected_; }
    bool HasFormatPage() override { return false; }
    bool ShowFormatPage(ocv::IDialogHost*, ocv::DeviceInfo*) override { return false; }
    bool HasDevicePage() override { return false; }
    bool ShowDevicePage(ocv::IDialogHost*, ocv::DeviceInfo*) override { return false; }
    void EnableSampleCallback(bool) override {}
    // A picture of the sample's size.
    bool Store(const std::vector<uint8_t>& px) { return StoreSample(px.data(), px.size()); }
    // A picture of any size, every byte `value`.
    bool Feed(int w, int h, uint8_t value) {
        ocv::BITMAPINFOHEADER f = ocv::MakeRgb24Header(w, h);
        std::vector<uint8_t> px(f.biSizeImage, value);
        return StoreFrame(f, px.data());
    }
    std::atomic<int> disconnects{0};

private:
    std::atomic<bool> connected_{false};
};
