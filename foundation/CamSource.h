#pragma once
// The state every camera source shares: format header, pixel buffer, display rectangle and the
// sample lock, with the store step, the copy-out and the letter-box arithmetic.
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "foundation/CamInterface.h"
#include "foundation/Logger.h"

namespace ocv {

// The link from a source to the view that shows it: the source calls Notify after every stored
// picture. The view clears it before it lets go of the source, so a delivery thread that is still
// finishing never calls into a view that is gone.
class FrameNotifier {
public:
    explicit FrameNotifier(std::function<void()> fn = {}) : fn_(std::move(fn)) {}
    void Set(std::function<void()> fn) {
        std::lock_guard lock(mutex_);
        fn_ = std::move(fn);
        if (fn_ && onListen_) onListen_();
    }
    // Called each time a listener is set: a source that holds back reading while nobody
    // listens resumes at once.
    void OnListen(std::function<void()> fn) {
        std::lock_guard lock(mutex_);
        onListen_ = std::move(fn);
    }
    void Clear() { Set({}); }
    bool HasListener() {
        std::lock_guard lock(mutex_);
        return static_cast<bool>(fn_);
    }
    void Notify() {
        std::lock_guard lock(mutex_);
        if (fn_) fn_();
    }

private:
    std::mutex mutex_;
    std::function<void()> fn_;
    std::function<void()> onListen_;
};

class CCamSource : public CCamInterface {
public:
    CCamSource(std::shared_ptr<FrameNotifier> view, std::shared_ptr<CLogger> logger);

    bool GetFormat(BITMAPINFOHEADER* out) override;
    bool GetSample(uint8_t* buffer, uint32_t size) override;
    uint32_t GetSampleSize() override;
    bool Draw(const PaintFn& paint) override;
    void SetViewSize(int cx, int cy) override;

    bool CopySample(BITMAPINFOHEADER& format, std::vector<uint8_t>& pixels) override;
    bool IsLost() override;
    uint32_t MsSinceLastPicture() override;
    uint64_t PictureNumber() override { return pictures_.load(); }
    // How long a connected source may go without a new picture before it counts as lost: 10 s,
    // or five of its frame intervals when that is longer.
    uint32_t LostLimitMs();
    static constexpr uint32_t kMinLostMs = 10000;
    static constexpr uint32_t kLostIntervals = 5;
    // Where the picture times are taken from (tests set their own clock).
    void SetTickSource(std::function<uint32_t()> tick) { tick_ = std::move(tick); }

    Rect DisplayRect();
    // The letter-box rectangle of a picture of width × height in a view of cx × cy.
    static Rect LetterBox(int32_t width, int32_t height, int cx, int cy);

protected:
    // Called by GetSample and Draw before they copy. A source that keeps pictures undecoded while
    // nobody looks brings the sample up to date here (on the caller's thread).
    virtual void RefreshSample() {}
    // Called by GetSample and CopySample first: a source that reads its camera in held blocks
    // while nobody looks has it read what has arrived, so the copy is of the newest picture.
    virtual void CatchUp() {}
    // True while pictures are wanted as they arrive: a view listens for them, or a consumer
    // copied one within the last `windowMs` milliseconds.
    bool PicturesWanted(uint32_t windowMs);
    // True while a view listens for every stored picture (it paints them as they come).
    bool ViewListens() { return view_->HasListener(); }
    FrameNotifier& View() { return *view_; }

    // Sets the format and allocates a zero-filled pixel buffer of biSizeImage bytes.
    void AllocateSample(const BITMAPINFOHEADER& format);
    // Frees the pixel buffer and zeroes the format header.
    void FreeSample();
    bool HasSampleBuffer();
    // The store step of a decoded picture with its format: the first picture of a connection,
    // and a picture of another size than the one before, sets the format and a new pixel buffer
    // (under the sample lock; a size change is logged once); then the pixels are copied in and
    // the view is told. False only for a format that does not describe `data`.
    bool StoreFrame(const BITMAPINFOHEADER& format, const uint8_t* data);
    // The same without the copy: `pixels` (biSizeImage bytes) trades places with the sample
    // and gets back the previous sample's buffer to fill next time.
    bool StoreFrameBuffer(const BITMAPINFOHEADER& format, std::vector<uint8_t>& pixels);
    // A picture has arrived (stored or kept to be decoded later): the lost watch starts over.
    // The store steps call it; a source that keeps a picture undecoded calls it itself.
    void NotePicture();
    // The store step: a picture of exactly biSizeImage bytes is copied in under the sample lock
    // and the view is told; any other picture is dropped. Returns whether it was stored.
    bool StoreSample(const uint8_t* data, size_t length);
    // The store step without the copy: a picture of exactly biSizeImage bytes trades places with
    // the sample under the sample lock, and `pixels` gets back the previous sample's buffer (of
    // the same size) to fill next time. Any other picture is dropped. Returns whether it was
    // stored.
    bool StoreSampleBuffer(std::vector<uint8_t>& pixels);

    CLogger& Log() { return *logger_; }
    const std::shared_ptr<CLogger>& Logger() const { return logger_; }

private:
    uint32_t Tick() { return tick_ ? tick_() : NowTick(); }
    static uint32_t NowTick();
    static uint64_t NextNumberBase();
    // With the sample lock held: takes the format of a picture, a new buffer when its size
    // differs. True when a size different from an earlier picture's was taken.
    bool TakeFormat(const BITMAPINFOHEADER& format, bool allocate);
    void LogSizeChange(const BITMAPINFOHEADER& before, const BITMAPINFOHEADER& after);

    std::shared_ptr<FrameNotifier> view_;
    std::shared_ptr<CLogger> logger_;
    std::atomic<uint32_t> lastDemandTick_{0};
    std::atomic<bool> demanded_{false};
    std::mutex sampleLock_;
    BITMAPINFOHEADER format_{};
    std::vector<uint8_t> pixels_;
    bool hasBuffer_ = false;
    Rect display_{};
    int viewCx_ = 0, viewCy_ = 0;
    // The lost watch: when the newest picture came, the smoothed time between pictures, and
    // whether the source counts as lost (its warning is written once per loss).
    std::function<uint32_t()> tick_;
    std::atomic<bool> hasPicture_{false};
    std::atomic<uint32_t> lastPictureTick_{0};
    std::atomic<uint32_t> intervalMs_{0};
    std::atomic<bool> lost_{false};
    std::atomic<uint64_t> pictures_{0};
};

}  // namespace ocv
