#include "net/JpegHub.h"

#include <chrono>
#include <cstdlib>

#include "imaging/DibImage.h"
#include "imaging/NoSignal.h"
#include "net/WebReplies.h"
#include "net/WebServerHost.h"

namespace ocv {

int CJpegHub::PeriodFor(int maxFrame) {
    int fps = maxFrame <= 0 ? 1 : maxFrame;
    int period = 1000 / fps;
    return period < 20 ? 20 : period;
}

CJpegHub::CJpegHub(std::shared_ptr<IWebServerHost> host, const BITMAPINFOHEADER& format,
                   int maxFrame)
    : host_(std::move(host)), format_(format), periodMs_(PeriodFor(maxFrame)) {
    thread_ = std::thread([this] { Run(); });
}

CJpegHub::~CJpegHub() {
    Stop();
    if (thread_.joinable()) thread_.join();
}

void CJpegHub::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    cv_.notify_all();
}

uint64_t CJpegHub::Produced() const {
    std::lock_guard lock(mutex_);
    return seq_;
}

void CJpegHub::Subscribe(int quality) {
    {
        std::lock_guard lock(mutex_);
        ++subscribers_[quality];
    }
    cv_.notify_all();
}

void CJpegHub::Unsubscribe(int quality) {
    std::lock_guard lock(mutex_);
    auto it = subscribers_.find(quality);
    if (it != subscribers_.end() && --it->second <= 0) subscribers_.erase(it);
}

CJpegHub::Result CJpegHub::WaitNext(int quality, uint64_t after, uint64_t& seq, Jpeg& jpeg,
                                    std::string& errorText) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopping_) return Result::Stopped;
        if (seq_ > after) {
            if (frameFailed_) return Result::FrameFailed;
            auto it = pictures_.find(quality);
            if (it != pictures_.end()) {
                if (!it->second.jpeg) {
                    errorText = it->second.error;
                    return Result::EncodeFailed;
                }
                seq = seq_;
                jpeg = it->second.jpeg;
                return Result::Picture;
            }
        }
        cv_.wait(lock);
    }
}

bool CJpegHub::Newest(int quality, uint64_t number, Jpeg& part, size_t& jpegAt) const {
    std::lock_guard lock(mutex_);
    if (number == 0 || frameNumber_ == 0 || frameFailed_) return false;
    if (frameNumber_ != number && frameNumber_ + 1 != number) return false;
    auto it = pictures_.find(quality);
    if (it == pictures_.end() || !it->second.jpeg) return false;
    part = it->second.jpeg;
    jpegAt = it->second.jpegAt;
    return true;
}

void CJpegHub::Run() {
    using Clock = std::chrono::steady_clock;
    // The frame follows the camera's picture size; a lost camera is shown as "NO SIGNAL".
    BITMAPINFOHEADER format = format_;
    std::vector<uint8_t> frame(format.biSizeImage, 0);
    CDibImage picture;
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (subscribers_.empty()) {
            cv_.wait(lock, [this] { return stopping_ || !subscribers_.empty(); });
            continue;
        }
        const auto tick = Clock::now();
        std::vector<int> qualities;
        for (const auto& [q, n] : subscribers_) qualities.push_back(q);
        lock.unlock();

        std::map<int, Entry> made;
        // Read before the copy, so the copy holds this frame or a newer one.
        uint64_t number = host_->FrameNumber();
        IWebServerHost::Frame got = host_->GetLiveFrame(format, frame);
        if (got != IWebServerHost::Frame::kPicture) number = 0;
        bool frameFailed = got == IWebServerHost::Frame::kStopped;
        if (!frameFailed) {
            bool loaded =
                got == IWebServerHost::Frame::kLost
                    ? MakeNoSignalPicture(picture, format.biWidth, std::abs(format.biHeight))
                    : picture.CreateFromSample(format, frame.data(), nullptr, frame.size());
            for (int q : qualities) {
                Entry e;
                if (loaded) {
                    std::vector<uint8_t> jpeg;
                    if (picture.EncodeJpeg(q, jpeg) > 0) {
                        std::string head = StreamPartHeader(jpeg.size());
                        auto part = std::make_shared<std::vector<uint8_t>>();
                        part->reserve(head.size() + jpeg.size());
                        part->insert(part->end(), head.begin(), head.end());
                        part->insert(part->end(), jpeg.begin(), jpeg.end());
                        e.jpeg = std::move(part);
                        e.jpegAt = head.size();
                    }
                }
                if (!e.jpeg) e.error = picture.GetErrorText();
                made.emplace(q, std::move(e));
            }
        }

        lock.lock();
        ++seq_;
        frameFailed_ = frameFailed;
        frameNumber_ = number;
        pictures_ = std::move(made);
        cv_.notify_all();
        cv_.wait_until(lock, tick + std::chrono::milliseconds(periodMs_),
                       [this] { return stopping_; });
    }
}

}  // namespace ocv
