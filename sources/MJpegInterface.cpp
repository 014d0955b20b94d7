#include "sources/MJpegInterface.h"

#include <chrono>
#include <mutex>
#include <vector>

#include "foundation/RetryBackoff.h"
#include "foundation/UrlMask.h"
#include "imaging/DibImage.h"
#include "platform/NamedEvent.h"
#include "platform/Time.h"
#include "sources/HttpStream.h"
#include "sources/MJpegParser.h"

namespace ocv {

// The sample thread reaches its source only through this link. StopThread cuts it, so a thread
// that is abandoned after its time limit never touches a source that is gone or reconnecting.
struct CMJpegInterface::Link {
    std::mutex mutex;
    CMJpegInterface* owner = nullptr;
};

// Everything the sample thread uses, shared with the source until the thread ends.
struct CMJpegInterface::Worker {
    std::string url;
    std::string logUrl;
    int variant = kReaderVariantA;
    MJpegTimings timings;
    std::shared_ptr<CLogger> logger;
    std::string eventName;
    std::shared_ptr<Link> link = std::make_shared<Link>();
    std::shared_ptr<NamedEvent> finished = NamedEvent::Create("");
    std::shared_ptr<NamedEvent> cutHold;
};

namespace {

constexpr size_t kMaxNetworkErrorText = 512;
using Clock = std::chrono::steady_clock;

std::string Cut(const std::string& s, size_t n) { return s.size() > n ? s.substr(0, n) : s; }

}  // namespace

CMJpegInterface::CMJpegInterface(std::shared_ptr<FrameNotifier> view,
                                 std::shared_ptr<CLogger> logger)
    : CCamSource(std::move(view), std::move(logger)) {
    eventName_ = MakeEventName("CMJpegSampleGrabberTerminateEvt%d%d%04d");
    if (eventName_.size() > 255) eventName_.resize(255);
    terminate_ = NamedEvent::Create(eventName_, false);
    if (!terminate_) Log().ErrorBox("Create Terminate Thread Event Failed!!");
    cutHold_ = NamedEvent::Create("");
    View().OnListen([cut = cutHold_] {
        if (cut) cut->Set();
    });
}

CMJpegInterface::~CMJpegInterface() { Disconnect(); }

bool CMJpegInterface::IsConnected() { return connected_.load() != 0; }

std::string CMJpegInterface::UrlForLog(const std::string& url) { return MaskUrlPassword(url); }

std::shared_ptr<NamedEvent> CMJpegInterface::Terminate() {
    std::lock_guard lock(eventMutex_);
    return terminate_;
}

void CMJpegInterface::RequestStop() {
    stopRequested_ = true;
    if (auto ev = Terminate()) ev->Set();
}

bool CMJpegInterface::IsThreadAlive() {
    if (!thread_.joinable()) return false;
    if (worker_ && worker_->finished && !worker_->finished->IsSet()) return true;
    thread_.join();
    worker_.reset();
    return false;
}

void CMJpegInterface::StopThread(int seconds) {
    if (!IsThreadAlive()) return;
    CLogger& log = Log();
    log.SetNotify(0);
    std::shared_ptr<NamedEvent> ev = Terminate();
    if (ev) ev->Set();
    bool ended = worker_->finished->Wait(
        seconds * 1000 < timings_.stopWaitMs ? seconds * 1000 : timings_.stopWaitMs);
    {
        // From here on the thread, finished or not, cannot reach this object.
        std::lock_guard lock(worker_->link->mutex);
        worker_->link->owner = nullptr;
    }
    NoteHold(false);  // no copy waits for a thread that is gone
    if (ended) {
        thread_.join();
        // A stop that was asked for stays in force: nothing may start reading again.
        if (ev && !stopRequested_) ev->Reset();
    } else {
        // The abandoned thread keeps the old event, which stays set, so it ends at its next
        // wait; this source goes on with a new event of its own.
        thread_.detach();
        std::lock_guard lock(eventMutex_);
        eventName_ = MakeEventName("CMJpegSampleGrabberTerminateEvt%d%d%04d");
        terminate_ = NamedEvent::Create(eventName_, false);
        if (!terminate_)
            log.ErrorBox("Create Terminate Thread Event Failed!!");
        else if (stopRequested_)
            terminate_->Set();
    }
    worker_.reset();
    log.SetNotify(1);
}

void CMJpegInterface::Disconnect() {
    StopThread(3);
    DropPending();
    FreeSample();
    {
        std::lock_guard lock(storeMutex_);
        storedSeq_ = 0;
    }
    received_ = 0;
    connected_ = 0;
}

void CMJpegInterface::StorePicture(const BITMAPINFOHEADER& header, const uint8_t* bits,
                                   uint64_t seq) {
    std::lock_guard lock(storeMutex_);
    if (seq <= storedSeq_) return;
    if (StoreFrame(header, bits)) storedSeq_ = seq;
    DropPendingUpTo(seq);
}

void CMJpegInterface::StoreRows(const BITMAPINFOHEADER& header, std::vector<uint8_t>& rows,
                                uint64_t seq) {
    std::lock_guard lock(storeMutex_);
    if (seq <= storedSeq_) return;
    if (StoreFrameBuffer(header, rows)) storedSeq_ = seq;
    DropPendingUpTo(seq);
}

void CMJpegInterface::DropPendingUpTo(uint64_t seq) {
    std::lock_guard lock(pendingMutex_);
    if (pendingSeq_ != 0 && pendingSeq_ <= seq) {
        pending_.clear();
        pendingSeq_ = 0;
    }
}

bool CMJpegInterface::WantsDecodedPictures() {
    return !HasSampleBuffer() || ViewListens();
}

int CMJpegInterface::IdleHoldAfter(int spanMs, size_t blockBytes) {
    if (blockBytes == 0) return kIdleHoldMaxMs;
    // The hold that lets about kIdleBlockBytes arrive at the rate just seen.
    double ms = static_cast<double>(spanMs) * static_cast<double>(kIdleBlockBytes) /
                static_cast<double>(blockBytes);
    if (ms >= kIdleHoldMaxMs) return kIdleHoldMaxMs;
    if (ms <= kIdleHoldMinMs) return kIdleHoldMinMs;
    return static_cast<int>(ms);
}

void CMJpegInterface::NoteHold(bool begun) {
    std::lock_guard lock(pendingMutex_);
    if (!begun && !holding_) return;
    holding_ = begun;
    if (begun) ++holdsBegun_;
    holdChanged_.notify_all();
}

void CMJpegInterface::CatchUp() {
    std::unique_lock lock(pendingMutex_);
    if (!holding_ || !cutHold_) return;
    uint64_t begun = holdsBegun_;
    cutHold_->Set();
    // The sample thread reads what the socket holds, keeps the newest picture and begins its
    // next hold; a thread that does not get there in time leaves the copy with what it has.
    holdChanged_.wait_for(lock, std::chrono::milliseconds(kCatchUpWaitMs),
                          [&] { return holdsBegun_ != begun; });
}

bool CMJpegInterface::ReadsIdle() {
    return HasSampleBuffer() && !PicturesWanted(kIdleAfterMs);
}

void CMJpegInterface::KeepPending(std::vector<uint8_t>& jpeg, uint64_t seq) {
    {
        std::lock_guard lock(pendingMutex_);
        pending_.swap(jpeg);
        pendingSeq_ = seq;
    }
    NotePicture();
}

void CMJpegInterface::DropPending() {
    std::lock_guard lock(pendingMutex_);
    std::vector<uint8_t>().swap(pending_);
    pendingSeq_ = 0;
}

void CMJpegInterface::RefreshSample() {
    std::vector<uint8_t> jpeg;
    uint64_t seq = 0;
    {
        std::lock_guard lock(pendingMutex_);
        if (pendingSeq_ == 0) return;
        jpeg.swap(pending_);
        seq = pendingSeq_;
        pendingSeq_ = 0;
    }
    std::vector<uint8_t> rows;
    int width = 0, height = 0;
    if (CDibImage::DecodeJpegToRows(jpeg.data(), jpeg.size(), rows, width, height)) {
        ++decoded_;
        StoreRows(MakeRgb24Header(width, height), rows, seq);
        return;
    }
    CDibImage image;
    if (!image.LoadFromMemory(jpeg.data(), jpeg.size())) {
        Log().Error("[SampleThread] Loading image failed! [%s]", image.GetErrorText().c_str());
        return;
    }
    ++decoded_;
    StorePicture(MakeRgb24Header(image.Width(), image.Height()), image.GetBits(), seq);
}

bool CMJpegInterface::StartStream(const std::string& url, int variant) {
    if (IsConnected()) Disconnect();
    std::shared_ptr<NamedEvent> ev = Terminate();
    if (IsThreadAlive() || !ev || stopRequested_) {
        Disconnect();
        return false;
    }
    auto worker = std::make_shared<Worker>();
    worker->url = url;
    worker->logUrl = UrlForLog(url);
    worker->variant = variant;
    worker->timings = timings_;
    worker->logger = Logger();
    {
        std::lock_guard lock(eventMutex_);
        worker->eventName = eventName_;
    }
    worker->link->owner = this;
    worker->cutHold = cutHold_;
    if (cutHold_) cutHold_->Reset();
    if (!worker->finished) {
        Disconnect();
        return false;
    }
    try {
        thread_ = std::thread(&CMJpegInterface::SampleThread, worker);
    } catch (const std::system_error&) {
        Disconnect();
        return false;
    }
    worker_ = worker;

    CLogger& log = Log();
    log.SetNotify(0);
    bool connected = false;
    auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timings_.connectWaitMs);
    // The wait is a wait on the stop event, so RequestStop ends it at once.
    for (;;) {
        BITMAPINFOHEADER h{};
        GetFormat(&h);
        if (HasSampleBuffer() && h.biWidth > 0) {
            connected = true;
            break;
        }
        if (stopRequested_ || std::chrono::steady_clock::now() >= deadline) break;
        ev->Wait(20);
    }
    connected_ = connected && !stopRequested_ ? 1 : 0;
    log.SetNotify(1);
    if (!connected_) {
        bool stopped = stopRequested_;
        Disconnect();
        // A connect the program gave up on is no time-out.
        if (!stopped) log.ErrorBox("接続タイムアウト!");
        return false;
    }
    return true;
}

void CMJpegInterface::SampleThread(std::shared_ptr<Worker> w) {
    CLogger& log = *w->logger;
    const char* url = w->logUrl.c_str();
    std::shared_ptr<NamedEvent> ev = NamedEvent::Open(w->eventName);
    if (!ev) {
        log.Error("[SampleThread] OpenEvent() Failed!");
        w->finished->Set();
        return;
    }
    const MJpegTimings& t = w->timings;
    HttpTimeouts timeouts{t.httpTimeoutMs, t.httpTimeoutMs};
    CHttpStream http(ev, timeouts);
    http.SetReceiveBuffer(kReceiveBufferBytes);
    // Idle reading: the hold before the next block follows the rate of the last one.
    int holdMs = kIdleHoldFirstMs;
    size_t blockBytes = 0;
    Clock::time_point holdBegan{};  // zero: no hold since reading went idle
    CMJpegPartParser parser(w->variant);
    CDibImage image;
    std::vector<uint8_t> rows;
    std::vector<uint8_t> kept;  // the newest undecoded picture, before it is handed over
    uint64_t seq = 0;
    // Repeated failures wait longer and longer; a connection that has delivered pictures for a
    // while starts the pauses over. The failure lines of the loop are written once and then
    // counted, so a camera that keeps failing neither floods the log nor the camera.
    RetryBackoff backoff(static_cast<uint32_t>(t.readRetryMs > 0 ? t.readRetryMs : 1),
                         static_cast<uint32_t>(t.retryMaxMs > 0 ? t.retryMaxMs : 1));
    uint32_t goodSince = 0;
    bool goodStream = false;

    // The source, if it is still there, asked whether pictures are wanted; and its lost watch.
    auto withOwner = [&](auto fn) {
        std::lock_guard lock(w->link->mutex);
        if (w->link->owner) fn(*w->link->owner);
    };
    auto noteGoodPicture = [&] {
        uint32_t now = GetTickCount();
        if (!goodStream) {
            goodStream = true;
            goodSince = now;
        }
        if (backoff.Failures() > 0 && now - goodSince >= kGoodStreamMs) {
            backoff.Reset();
            log.EndRepeats();
        }
    };

    // Decodes one picture and stores it through the link. False with the error logged when
    // the picture cannot be decoded. While nobody wants pictures as they come, a picture whose
    // header reads well is only kept, to be decoded by the next copy.
    auto decodeAndStore = [&](const uint8_t* data, size_t size) -> bool {
        ++seq;
        bool wanted = true;
        withOwner([&](CMJpegInterface& o) { wanted = o.WantsDecodedPictures(); });
        int width = 0, height = 0;
        if (!wanted && CDibImage::ProbeJpegSize(data, size, width, height)) {
            if (data != kept.data()) kept.assign(data, data + size);
            withOwner([&](CMJpegInterface& o) {
                o.KeepPending(kept, seq);
                o.received_ = seq;
            });
            return true;
        }
        // JPEG pictures are decoded straight into a buffer that then trades places with the
        // sample; anything else goes through the picture object, which also says what is wrong.
        if (CDibImage::DecodeJpegToRows(data, size, rows, width, height)) {
            if (ev->IsSet()) return true;
            withOwner([&](CMJpegInterface& o) {
                ++o.decoded_;
                o.StoreRows(MakeRgb24Header(width, height), rows, seq);
                o.received_ = seq;
            });
            return true;
        }
        if (!image.LoadFromMemory(data, size)) {
            if (ev->IsSet()) return true;
            log.ErrorOnce("[SampleThread] Loading image failed! [%s]",
                          image.GetErrorText().c_str());
            return false;
        }
        withOwner([&](CMJpegInterface& o) { ++o.decoded_; });
        if (ev->IsSet()) return true;
        BITMAPINFOHEADER h = MakeRgb24Header(image.Width(), image.Height());
        withOwner([&](CMJpegInterface& o) {
            o.StorePicture(h, image.GetBits(), seq);
            o.received_ = seq;
        });
        return true;
    };
    // The pauses: at least what each kind of failure asks for, longer while failures repeat.
    auto pause = [&](uint32_t floorMs) {
        goodStream = false;
        ev->Wait(static_cast<int>(backoff.NextAtLeast(floorMs)));
    };
    auto retryOpen = [&] {
        log.InfoOnce("[SampleThread] 2秒後に再度接続を試みます・・・ [%s]", url);
        pause(static_cast<uint32_t>(t.openRetryMs));
    };
    auto retrySingle = [&] {
        log.InfoOnce("[SampleThread] 10秒後に再度接続を試みます・・・ [%s]", url);
        goodStream = false;
        ev->Wait(t.singleRetryMs);
    };

    http.SetHoldHooks(w->cutHold, [&] {
        // The first hold of an idle spell has no block before it: the last size stays.
        Clock::time_point now = Clock::now();
        if (holdBegan != Clock::time_point{}) {
            auto span = std::chrono::duration_cast<std::chrono::milliseconds>(now - holdBegan);
            holdMs = IdleHoldAfter(static_cast<int>(span.count()), blockBytes);
        }
        holdBegan = now;
        blockBytes = 0;
        withOwner([](CMJpegInterface& o) { o.NoteHold(true); });
    });

    while (!ev->IsSet()) {
        // Each attempt also looks whether the camera has gone quiet for too long.
        withOwner([](CMJpegInterface& o) {
            o.IsLost();
            o.NoteHold(false);
        });
        holdBegan = {};
        http.Close();
        CHttpStream::OpenResult opened = http.Open(w->url);
        // A request cut short by the stop is no failure: nothing is logged.
        if (opened == CHttpStream::OpenResult::kStopped || ev->IsSet()) break;
        if (opened == CHttpStream::OpenResult::kOpenFailed) {
            log.ErrorOnce("[SampleThread] Network error! [%s]",
                          MaskUrlPassword(Cut(http.ErrorText(), kMaxNetworkErrorText)).c_str());
            log.ErrorOnce("[SampleThread] URLが開けません [%s]", url);
            retryOpen();
            continue;
        }
        if (opened == CHttpStream::OpenResult::kNoStatus) {
            log.ErrorOnce("[SampleThread] Statusコードが取得できません [%s]", url);
            retryOpen();
            continue;
        }
        long status = http.Status();
        if (status < 200 || status > 299) {
            log.ErrorOnce("[SampleThread] HTTPエラーです [HTTPエラーコード %d]",
                          static_cast<int>(status));
            retryOpen();
            continue;
        }

        std::string contentType;
        if (http.ContentType(contentType) && contentType == "image/jpeg") {
            // A single picture instead of a stream: the camera has too many viewers. An answer
            // without a usable length or body is retried like it instead of ending the thread.
            int64_t length = 0;
            if (!http.ContentLength(length) || length <= 0 ||
                static_cast<uint64_t>(length) > CMJpegPartParser::kMaxContentLength) {
                log.ErrorOnce("[SampleThread] Contengt-Length was unacquirable. [%s]", url);
                retrySingle();
                continue;
            }
            std::vector<uint8_t> body;
            body.reserve(static_cast<size_t>(length));
            CHttpStream::ReadResult r = http.Read([&](const uint8_t* d, size_t n) {
                size_t take = std::min(n, static_cast<size_t>(length) - body.size());
                body.insert(body.end(), d, d + take);
                return body.size() < static_cast<size_t>(length);
            });
            if (r == CHttpStream::ReadResult::kStopped || ev->IsSet()) break;
            if (body.size() < static_cast<size_t>(length)) {
                log.ErrorOnce("[SampleThread] Read MotionJpeg Stream Failed!");
                retrySingle();
                continue;
            }
            http.Close();
            if (!decodeAndStore(body.data(), body.size())) {
                if (ev->IsSet()) break;
                retrySingle();
                continue;
            }
            if (ev->IsSet()) break;
            log.ErrorOnce("[SampleThread] 最大接続数エラー [%s]", url);
            retrySingle();
            continue;
        }

        // The stream: pictures are read until a read fails or the event is set. Pictures are
        // handled at least betweenPicturesMs apart: the pause after a picture is taken before the
        // next one is handled, and only as far as the wait for its bytes has not covered it, so a
        // camera slower than the pause costs one wake-up per picture, not two.
        parser.Reset();
        bool failedLogged = false;
        bool pauseOwed = false;  // the pause after the last picture has not been taken yet
        Clock::time_point resumeAt{};
        // While nobody looks, the pictures of one read of the socket are only collected (taken
        // from the parser without a copy) and the newest is kept once the read is parsed; a hold
        // follows. The read after a hold is old news but for its newest picture, also for a
        // reader that wants every picture from then on.
        bool collected = false;  // this read has collected a picture into kept
        bool holdAfter = false;  // this read was idle: a hold follows it
        bool heldRead = false;   // this read is the one after a hold
        http.SetReadEnd([&] {
            heldRead = false;
            if (collected && !ev->IsSet()) {
                collected = false;
                if (!decodeAndStore(kept.data(), kept.size())) {
                    failedLogged = true;
                    return false;
                }
                noteGoodPicture();
                pauseOwed = false;
            }
            if (holdAfter) {
                holdAfter = false;
                heldRead = true;
                http.HoldReading(holdMs);
            }
            return true;
        });
        CHttpStream::ReadResult r = http.Read([&](const uint8_t* d, size_t n) {
            bool idle = false;
            withOwner([&](CMJpegInterface& o) {
                o.NoteHold(false);
                idle = o.ReadsIdle();
            });
            if (idle) {
                blockBytes += n;
                holdAfter = true;
            } else {
                blockBytes = 0;
                holdBegan = {};
            }
            CMJpegPartParser::Status s = parser.Feed(d, n, [&](const uint8_t*, size_t) {
                if (ev->IsSet()) return false;
                if (idle || heldRead || collected) {
                    // The picture collected before this one is passed over but still counted
                    // as received; decodeAndStore counts the read's last one.
                    if (collected) ++seq;
                    parser.TradePicture(kept);
                    collected = true;
                    return true;
                }
                if (pauseOwed) {
                    using std::chrono::milliseconds;
                    auto left = std::chrono::ceil<milliseconds>(resumeAt - Clock::now()).count();
                    if (left > 0 && ev->Wait(static_cast<int>(left))) return false;
                }
                // The picture's bytes are taken over, not copied: kept may be handed on as
                // the undecoded newest picture.
                parser.TradePicture(kept);
                if (!decodeAndStore(kept.data(), kept.size())) {
                    failedLogged = true;
                    return false;
                }
                noteGoodPicture();
                pauseOwed = t.betweenPicturesMs > 0;
                resumeAt = Clock::now() + std::chrono::milliseconds(t.betweenPicturesMs);
                return true;
            });
            if (s == CMJpegPartParser::Status::kFailed) {
                if (!ev->IsSet()) log.ErrorOnce("%s", MJpegErrorText(parser.error(), w->variant));
                failedLogged = true;
                return false;
            }
            return s == CMJpegPartParser::Status::kNeedMore && !ev->IsSet();
        });
        http.SetReadEnd({});
        if (ev->IsSet() || r == CHttpStream::ReadResult::kStopped) break;
        if (!failedLogged) {
            if (r == CHttpStream::ReadResult::kError) {
                log.ErrorOnce("[SampleThread] Network error! [%s]",
                              MaskUrlPassword(Cut(http.ErrorText(), kMaxNetworkErrorText)).c_str());
            } else {
                log.ErrorOnce("%s", MJpegErrorText(parser.Finish(), w->variant));
            }
        }
        log.ErrorOnce("[SampleThread] MotionJpeg画像取得に失敗しました！ [%s]", url);
        log.InfoOnce("[SampleThread] 再度接続を試みます・・・ [%s]", url);
        pause(0);
    }
    http.Close();
    log.EndRepeats();
    w->finished->Set();
}

}  // namespace ocv
