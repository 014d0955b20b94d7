#include "sources/NetStreamInterface.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <chrono>
#include <cstring>
#include <mutex>

#include "platform/NamedEvent.h"
#include "sources/CameraUrl.h"
#include "sources/MJpegInterface.h"
#include "foundation/RetryBackoff.h"

namespace ocv {
namespace {

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void InitFfmpegOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        avformat_network_init();
        // Decoder complaints about damaged packets would flood the service's stderr; the
        // source logs what matters itself, with FFmpeg's own reason where it gave one.
        CaptureFfmpegMessages();
    });
}

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

}  // namespace

// The stream thread reaches its source only through this link; Disconnect cuts it, so a thread
// that is given up on never touches a source that is gone or reconnecting.
struct CNetStreamInterface::Link {
    std::mutex mutex;
    CNetStreamInterface* owner = nullptr;
};

// Everything the stream thread uses, shared with the source until the thread ends.
struct CNetStreamInterface::Worker {
    std::vector<std::string> urls;  // tried in order
    std::string logUrl;
    std::string transport;  // of RTSP
    StreamTimings timings;
    std::shared_ptr<CLogger> logger;
    std::shared_ptr<Link> link = std::make_shared<Link>();
    std::shared_ptr<NamedEvent> stopEvent = NamedEvent::Create("");
    std::shared_ptr<NamedEvent> finished = NamedEvent::Create("");
    std::atomic<bool> stop{false};
    std::atomic<int64_t> deadline{0};  // of the blocking FFmpeg call under way
    std::atomic<int> frameRate{0};
    std::mutex errorMutex;
    std::string error, detail;  // the last failure, for the report of a failed connect

    void RequestStop() {
        stop = true;
        if (stopEvent) stopEvent->Set();
    }
    bool Wait(int ms) { return stopEvent->Wait(ms) || stop; }
    void SetError(const std::string& e, const std::string& d) {
        std::lock_guard lock(errorMutex);
        error = e;
        detail = d;
    }
    // FFmpeg's interrupt callback: a stop, or a blocking call past its time, ends the call.
    static int Interrupt(void* opaque) {
        auto* w = static_cast<Worker*>(opaque);
        return w->stop.load(std::memory_order_relaxed) || NowMs() > w->deadline.load() ? 1 : 0;
    }
};

// The packets since the last key frame, and the stream parameters to decode them with.
struct CNetStreamInterface::Kept {
    std::mutex mutex;
    std::vector<AVPacket*> packets;
    size_t bytes = 0;
    bool broken = false;    // past a bound: nothing is kept until the next key frame
    uint64_t idleSeq = 0;   // the newest packet that was kept without being decoded
    AVCodecParameters* par = nullptr;
    uint64_t generation = 0;  // grows with every new stream

    void Clear() {
        for (AVPacket*& p : packets) av_packet_free(&p);
        packets.clear();
        bytes = 0;
    }
    ~Kept() {
        Clear();
        avcodec_parameters_free(&par);
    }
};

CNetStreamInterface::CNetStreamInterface(std::shared_ptr<FrameNotifier> view,
                                         std::shared_ptr<CLogger> logger)
    : CDxShowInterface(std::move(view), std::move(logger), "FFmpeg"),
      kept_(std::make_unique<Kept>()) {
    InitFfmpegOnce();
}

CNetStreamInterface::~CNetStreamInterface() { Disconnect(); }

int CNetStreamInterface::Connect(const DeviceInfo* info) {
    std::unique_lock control(controlMutex_);
    if (thread_.joinable() || IsConnected()) {
        control.unlock();
        Disconnect();
        control.lock();
    }
    CLogger& log = Log();
    if (stopRequested_) return 0;
    if (!CheckConnectRecord(info, DEVICE_NETWORK_STREAM,
                            "CreateFilterForWMEncorder() Failed! [No Support Filter Type]"))
        return 0;
    formatSettable_ = false;
    bool converted = false;
    std::string url = HttpToMms(info->deviceName, converted);
    if (converted)
        log.Debug("http->mms convert [%s]", CMJpegInterface::UrlForLog(info->deviceName).c_str());
    log.Debug("URL = %s", CMJpegInterface::UrlForLog(url).c_str());
    if (info->deviceName.empty()) return FailConnect("avformat_open_input() Failed! [no URL]", EINVAL);

    auto worker = std::make_shared<Worker>();
    for (const std::string& u : StreamOpenOrder(info->deviceName, url, converted)) {
        std::string transport;
        worker->urls.push_back(TakeRtspTransport(u, transport));
        worker->transport = transport;
    }
    worker->logUrl = CMJpegInterface::UrlForLog(url);
    worker->timings = timings_;
    worker->logger = Logger();
    worker->link->owner = this;
    if (!worker->stopEvent || !worker->finished)
        return FailConnect("The stop event cannot be made!", EMFILE);
    storing_ = true;
    try {
        thread_ = std::thread(&CNetStreamInterface::StreamThread, worker);
    } catch (const std::system_error&) {
        return FailConnect("std::thread() Failed! [StreamThread]", EAGAIN);
    }
    {
        std::lock_guard lock(storeMutex_);
        worker_ = worker;
        // A stop that came while the thread was being made.
        if (stopRequested_) worker->RequestStop();
    }

    // The first picture sets the format; a stop request ends the wait at once.
    log.Debug("Get the sample picture information");
    int64_t deadline = NowMs() + timings_.connectWaitMs;
    bool gotPicture = false;
    while (!worker->stop) {
        BITMAPINFOHEADER h{};
        GetFormat(&h);
        if (HasSampleBuffer() && h.biWidth > 0) {
            gotPicture = true;
            break;
        }
        if (NowMs() >= deadline) break;
        worker->stopEvent->Wait(20);
    }
    if (!gotPicture) {
        bool stopped = worker->stop.load();
        {
            std::lock_guard lock(worker->errorMutex);
            Fail(worker->error.empty() ? "No picture arrived from the stream in time!"
                                       : worker->error,
                 worker->detail.empty() ? AvErrorText(AVERROR(ETIMEDOUT)) : worker->detail);
        }
        std::string error = LastErrorText(), detail = LastErrorDetail();
        control.unlock();
        Disconnect();
        if (stopped) {
            log.Info("Connecting was stopped [%s]", worker->logUrl.c_str());
        } else {
            Fail(error, detail);
            ReportConnectFailure();
        }
        return 0;
    }
    BITMAPINFOHEADER h{};
    GetFormat(&h);
    log.Debug("Reservation of a sample storing buffer memory");
    // The view hands its own copy of the record: it learns the stream's size and rate.
    auto* record = const_cast<DeviceInfo*>(info);
    record->frameWidth = h.biWidth;
    record->frameHeight = h.biHeight;
    record->frameRate = worker->frameRate.load();
    log.Debug("Get the video setting values Width=%d, Height=%d, FrameRate=%d", h.biWidth,
              h.biHeight, record->frameRate);
    connected_ = true;
    return 1;
}

void CNetStreamInterface::RequestStop() {
    stopRequested_ = true;
    std::lock_guard lock(storeMutex_);
    if (worker_) worker_->RequestStop();
}

void CNetStreamInterface::StopThread() {
    std::shared_ptr<Worker> worker;
    {
        std::lock_guard lock(storeMutex_);
        worker = worker_;
    }
    if (!thread_.joinable()) return;
    if (worker) worker->RequestStop();
    bool ended = !worker || worker->finished->Wait(timings_.stopWaitMs);
    if (worker) {
        // From here on the thread, finished or not, cannot reach this object.
        std::lock_guard lock(worker->link->mutex);
        worker->link->owner = nullptr;
    }
    if (ended)
        thread_.join();
    else
        thread_.detach();  // it ends at its next check of the stop flag
    std::lock_guard lock(storeMutex_);
    worker_.reset();
}

void CNetStreamInterface::Disconnect() {
    {
        // A Connect that is still waiting sees the stop at once.
        std::lock_guard lock(storeMutex_);
        if (worker_) worker_->RequestStop();
    }
    std::lock_guard control(controlMutex_);
    ClearLastError();
    connected_ = false;
    // The thread ends before any buffer goes.
    StopThread();
    storing_ = false;
    DropKept();
    {
        std::lock_guard lock(refreshMutex_);
        refreshDecoder_.Close();
        refreshGeneration_ = 0;
    }
    FreeSample();
    {
        std::lock_guard lock(storeMutex_);
        storedSeq_ = 0;
    }
    formatSettable_ = false;
}

void CNetStreamInterface::DropKept() {
    std::lock_guard lock(kept_->mutex);
    kept_->Clear();
    kept_->broken = false;
    kept_->idleSeq = 0;
}

void CNetStreamInterface::NewStream(const AVCodecParameters* par) {
    std::lock_guard lock(kept_->mutex);
    kept_->Clear();
    kept_->broken = false;
    kept_->idleSeq = 0;
    if (!kept_->par) kept_->par = avcodec_parameters_alloc();
    if (kept_->par) avcodec_parameters_copy(kept_->par, par);
    ++kept_->generation;
}

void CNetStreamInterface::KeepPacket(const AVPacket* packet, bool key, uint64_t seq,
                                     bool decodedLive) {
    std::lock_guard lock(kept_->mutex);
    Kept& k = *kept_;
    if (key) {
        k.Clear();
        k.broken = false;
    }
    if (k.broken) return;
    if (k.packets.size() >= kMaxKeptPackets || k.bytes + packet->size > kMaxKeptBytes) {
        k.Clear();
        k.broken = true;
        k.idleSeq = 0;
        return;
    }
    AVPacket* copy = av_packet_clone(packet);
    if (!copy) return;
    k.packets.push_back(copy);
    k.bytes += static_cast<size_t>(packet->size);
    k.idleSeq = decodedLive ? 0 : seq;
}

std::vector<AVPacket*> CNetStreamInterface::KeptPackets() {
    std::lock_guard lock(kept_->mutex);
    std::vector<AVPacket*> out;
    for (const AVPacket* p : kept_->packets)
        if (AVPacket* c = av_packet_clone(p)) out.push_back(c);
    return out;
}

bool CNetStreamInterface::WantsDecodedPictures() {
    return !HasSampleBuffer() || PicturesWanted(kWantedWindowMs);
}

void CNetStreamInterface::StorePicture(std::vector<uint8_t>& rows, int width, int height,
                                       uint64_t seq) {
    std::lock_guard lock(storeMutex_);
    if (seq <= storedSeq_ || !storing_) return;
    BITMAPINFOHEADER header = MakeRgb24Header(width, height);
    // Format and pixels change together under the sample lock: a copy taken at any moment is
    // a whole picture, never the zero-filled buffer of a new size.
    if (StoreFrameBuffer(header, rows)) storedSeq_ = seq;
    if (rows.size() != header.biSizeImage) rows.assign(header.biSizeImage, 0);
}

void CNetStreamInterface::RefreshSample() {
    std::lock_guard refresh(refreshMutex_);
    std::vector<AVPacket*> packets;
    uint64_t seq = 0;
    {
        std::lock_guard lock(kept_->mutex);
        seq = kept_->idleSeq;
        if (seq == 0 || kept_->packets.empty() || !kept_->par) return;
        if (seq <= SamplePicture()) return;
        if (refreshGeneration_ != kept_->generation || !refreshDecoder_.IsOpen()) {
            std::string error, detail;
            if (!refreshDecoder_.Open(kept_->par, error, detail)) {
                Log().Error("[SampleThread] %s [%s]", error.c_str(), detail.c_str());
                kept_->idleSeq = 0;
                return;
            }
            refreshGeneration_ = kept_->generation;
        }
        for (const AVPacket* p : kept_->packets)
            if (AVPacket* c = av_packet_clone(p)) packets.push_back(c);
    }
    AVFrame* last = av_frame_alloc();
    if (!last) return;
    refreshDecoder_.Flush();
    auto keep = [&](const AVFrame* f) {
        av_frame_unref(last);
        av_frame_ref(last, f);
    };
    for (AVPacket*& p : packets) {
        refreshDecoder_.Decode(p, keep);
        av_packet_free(&p);
    }
    refreshDecoder_.Decode(nullptr, keep);
    refreshDecoder_.Flush();
    std::vector<uint8_t> rows;
    std::string error;
    if (last->width > 0 && refreshDecoder_.ToRows(last, rows, error)) {
        ++decoded_;
        StorePicture(rows, last->width, last->height, seq);
    }
    av_frame_free(&last);
}

namespace {

// One opened stream: the demultiplexer and the index of its video stream.
struct Input {
    AVFormatContext* fmt = nullptr;
    int video = -1;
    bool paced = false;  // read no faster than the time stamps say (files, HTTP)
    ~Input() {
        if (fmt) avformat_close_input(&fmt);
    }
};

}  // namespace

void CNetStreamInterface::StreamThread(std::shared_ptr<Worker> w) {
    CLogger& log = *w->logger;
    const char* logUrl = w->logUrl.c_str();
    const StreamTimings& t = w->timings;
    RetryBackoff backoff;
    StreamDecoder live;
    std::vector<uint8_t> rows;
    AVPacket* packet = av_packet_alloc();
    uint64_t seq = 0;
    bool everStreamed = false;

    // Runs `fn` with the source while the link holds; false when the link is cut.
    auto withOwner = [&](auto&& fn) -> bool {
        std::lock_guard lock(w->link->mutex);
        if (!w->link->owner) return false;
        fn(*w->link->owner);
        return true;
    };
    auto fail = [&](const std::string& what, int code) {
        std::string detail = AvErrorText(code);
        if (code == AVERROR_EXIT && !w->stop) detail = "no answer in time";
        std::string reason = LastFfmpegMessage();
        if (!reason.empty() && code != AVERROR_EXIT) detail += ": " + reason;
        log.Error("[SampleThread] %s [%s] [%s]", what.c_str(), detail.c_str(), logUrl);
        w->SetError(what, detail);
    };
    auto store = [&](const AVFrame* f, uint64_t n) {
        std::string error;
        if (!live.ToRows(f, rows, error)) {
            log.Error("[SampleThread] %s [%s]", error.c_str(), logUrl);
            return;
        }
        withOwner([&](CNetStreamInterface& o) {
            ++o.decoded_;
            o.StorePicture(rows, f->width, f->height, n);
        });
    };

    while (packet && !w->stop) {
        // Open the first URL of the list that opens.
        Input in;
        int rc = 0;
        ClearFfmpegMessage();
        for (const std::string& url : w->urls) {
            if (w->stop) break;
            log.Debug("avformat_open_input() [%s]", CMJpegInterface::UrlForLog(url).c_str());
            in.fmt = avformat_alloc_context();
            if (!in.fmt) {
                rc = AVERROR(ENOMEM);
                break;
            }
            in.fmt->interrupt_callback = {&Worker::Interrupt, w.get()};
            in.fmt->max_analyze_duration = 2 * AV_TIME_BASE;
            AVDictionary* opts = nullptr;
            if (StartsWith(url, "rtsp")) av_dict_set(&opts, "rtsp_transport", w->transport.c_str(), 0);
            w->deadline = NowMs() + t.openTimeoutMs;
            rc = avformat_open_input(&in.fmt, url.c_str(), nullptr, &opts);
            av_dict_free(&opts);
            if (rc >= 0) break;
            in.fmt = nullptr;  // freed by FFmpeg on failure
        }
        if (w->stop) break;
        if (rc < 0) {
            fail("avformat_open_input() Failed!", rc);
        } else {
            log.Debug("avformat_find_stream_info()");
            w->deadline = NowMs() + t.openTimeoutMs;
            rc = avformat_find_stream_info(in.fmt, nullptr);
            if (rc < 0) {
                fail("avformat_find_stream_info() Failed!", rc);
            } else {
                in.video = av_find_best_stream(in.fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
                if (in.video < 0) {
                    rc = in.video;
                    fail("This format is not supported! [no video stream]", rc);
                }
            }
        }
        std::string error, detail;
        if (rc >= 0) {
            AVStream* st = in.fmt->streams[in.video];
            for (unsigned i = 0; i < in.fmt->nb_streams; ++i)
                if (static_cast<int>(i) != in.video) in.fmt->streams[i]->discard = AVDISCARD_ALL;
            AVRational fr = av_guess_frame_rate(in.fmt, st, nullptr);
            w->frameRate = fr.den > 0 ? (fr.num + fr.den / 2) / fr.den : 0;
            in.paced = !(in.fmt->iformat->flags & AVFMT_NOFILE);
            log.Debug("FORMATTYPE = %s, codec %s, %dx%d", in.fmt->iformat->name,
                      avcodec_get_name(st->codecpar->codec_id), st->codecpar->width,
                      st->codecpar->height);
            if (!live.Open(st->codecpar, error, detail)) {
                log.Error("[SampleThread] %s [%s] [%s]", error.c_str(), detail.c_str(), logUrl);
                w->SetError(error, detail);
                rc = -1;
            } else {
                withOwner([&](CNetStreamInterface& o) {
                    ++o.openings_;
                    o.NewStream(st->codecpar);
                });
            }
        }
        if (rc < 0) {
            if (w->Wait(backoff.Next())) break;
            continue;
        }

        // Read until the stream ends, drops or stalls.
        log.Debug("Start graph!");
        AVStream* st = in.fmt->streams[in.video];
        bool inStep = false;  // the live decoder has seen every packet since a key frame
        bool gotPicture = false;
        int badPackets = 0;
        int64_t anchorMs = 0, lastPtsMs = 0;
        bool anchored = false;
        for (;;) {
            w->deadline = NowMs() + t.readTimeoutMs;
            rc = av_read_frame(in.fmt, packet);
            if (w->stop) break;
            if (rc < 0) {
                if (rc == AVERROR_EOF)
                    log.Error("[SampleThread] The stream ended [%s]", logUrl);
                else
                    fail("av_read_frame() Failed!", rc);
                break;
            }
            if (packet->stream_index != in.video) {
                av_packet_unref(packet);
                continue;
            }
            if (in.paced && packet->pts != AV_NOPTS_VALUE) {
                int64_t ptsMs = av_rescale_q(packet->pts, st->time_base, {1, 1000});
                int64_t now = NowMs();
                if (!anchored || ptsMs < lastPtsMs || ptsMs - lastPtsMs > 2000) {
                    anchorMs = now - ptsMs;
                    anchored = true;
                }
                lastPtsMs = ptsMs;
                int64_t due = anchorMs + ptsMs - now;
                if (due > 0 && w->Wait(static_cast<int>(std::min<int64_t>(due, 1000)))) break;
            }
            ++seq;
            bool key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
            bool wanted = true;
            if (!withOwner([&](CNetStreamInterface& o) {
                    ++o.received_;
                    wanted = o.storing_ && o.WantsDecodedPictures();
                    o.KeepPacket(packet, key, seq, wanted);
                }))
                break;
            if (!wanted) {
                inStep = false;
                av_packet_unref(packet);
                continue;
            }
            int decodeRc = 0;
            if (!inStep && !key) {
                // Pictures are wanted again: decode what was kept since the last key frame
                // (this packet included), storing only the newest picture.
                std::vector<AVPacket*> kept;
                withOwner([&](CNetStreamInterface& o) { kept = o.KeptPackets(); });
                live.Flush();
                for (size_t i = 0; i < kept.size(); ++i) {
                    bool newest = i + 1 == kept.size();
                    int r = live.Decode(kept[i], [&](const AVFrame* f) {
                        if (newest) store(f, seq);
                    });
                    if (r < 0) decodeRc = r;
                    av_packet_free(&kept[i]);
                }
            } else {
                if (!inStep) live.Flush();
                decodeRc = live.Decode(packet, [&](const AVFrame* f) { store(f, seq); });
            }
            inStep = true;
            av_packet_unref(packet);
            if (decodeRc < 0) {
                // A damaged packet: the decoder picks up again at the next key frame.
                if (badPackets++ == 0)
                    log.Warning("[SampleThread] avcodec_send_packet() Failed! [%s] [%s]",
                                AvErrorText(decodeRc).c_str(), logUrl);
            }
            if (!gotPicture) {
                bool stored = false;
                withOwner([&](CNetStreamInterface& o) { stored = o.SamplePicture() > 0; });
                if (stored) {
                    gotPicture = true;
                    backoff.Reset();
                    if (everStreamed) log.Info("[SampleThread] The stream is back [%s]", logUrl);
                    everStreamed = true;
                }
            }
        }
        av_packet_unref(packet);
        live.Close();
        if (w->stop) break;
        if (gotPicture) log.Error("[SampleThread] The stream was lost [%s]", logUrl);
        log.Info("[SampleThread] 再度接続を試みます・・・ [%s]", logUrl);
        if (w->Wait(backoff.Next())) break;
    }
    av_packet_free(&packet);
    w->finished->Set();
}

}  // namespace ocv
