#include "sources/StreamDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include "foundation/FrameSample.h"

namespace ocv {

std::string AvErrorText(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(code, buf, sizeof buf) < 0) return "error " + std::to_string(code);
    return buf;
}

namespace {

thread_local std::string t_lastMessage;

void KeepMessage(void* avcl, int level, const char* fmt, va_list vl) {
    if (level > AV_LOG_ERROR) return;
    char line[512];
    int print = 0;
    av_log_format_line2(avcl, level, fmt, vl, line, sizeof line, &print);
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    // The "[tcp @ 0x...] " prefix names an address, which would make every line different.
    if (!text.empty() && text[0] == '[') {
        size_t close = text.find("] ");
        if (close != std::string::npos) text.erase(0, close + 2);
    }
    if (!text.empty()) t_lastMessage = std::move(text);
}

}  // namespace

void CaptureFfmpegMessages() { av_log_set_callback(&KeepMessage); }

std::string LastFfmpegMessage() { return t_lastMessage; }

void ClearFfmpegMessage() { t_lastMessage.clear(); }

StreamDecoder::StreamDecoder() = default;

StreamDecoder::~StreamDecoder() { Close(); }

bool StreamDecoder::Open(const AVCodecParameters* par, std::string& error, std::string& detail) {
    Close();
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) {
        error = std::string("avcodec_find_decoder() Failed! [") + avcodec_get_name(par->codec_id) +
                "]";
        detail = AvErrorText(AVERROR_DECODER_NOT_FOUND);
        return false;
    }
    ctx_ = avcodec_alloc_context3(codec);
    if (!ctx_) {
        error = "avcodec_alloc_context3() Failed!";
        detail = AvErrorText(AVERROR(ENOMEM));
        return false;
    }
    int rc = avcodec_parameters_to_context(ctx_, par);
    if (rc >= 0) {
        // One picture in, one picture out, on the calling thread: no frame threads whose
        // delay and copies an idle camera would pay for.
        ctx_->thread_count = 1;
        ctx_->flags |= AV_CODEC_FLAG_LOW_DELAY;
        rc = avcodec_open2(ctx_, codec, nullptr);
    }
    if (rc < 0) {
        error = "avcodec_open2() Failed!";
        detail = AvErrorText(rc);
        Close();
        return false;
    }
    frame_ = av_frame_alloc();
    if (!frame_) {
        error = "av_frame_alloc() Failed!";
        detail = AvErrorText(AVERROR(ENOMEM));
        Close();
        return false;
    }
    return true;
}

void StreamDecoder::Close() {
    if (ctx_) avcodec_free_context(&ctx_);
    if (frame_) av_frame_free(&frame_);
    if (sws_) sws_freeContext(sws_);
    sws_ = nullptr;
    swsWidth_ = swsHeight_ = 0;
    swsFormat_ = -1;
}

int StreamDecoder::Decode(const AVPacket* packet,
                          const std::function<void(const AVFrame*)>& onFrame) {
    if (!ctx_) return AVERROR(EINVAL);
    int rc = avcodec_send_packet(ctx_, packet);
    if (rc < 0 && rc != AVERROR_EOF) return rc;
    for (;;) {
        int got = avcodec_receive_frame(ctx_, frame_);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) break;
        if (got < 0) return got;
        if (onFrame) onFrame(frame_);
        av_frame_unref(frame_);
    }
    return 0;
}

void StreamDecoder::Flush() {
    if (ctx_) avcodec_flush_buffers(ctx_);
}

bool StreamDecoder::ToRows(const AVFrame* frame, std::vector<uint8_t>& rows,
                           std::string& error) {
    if (frame->width <= 0 || frame->height <= 0 || frame->width > 16384 ||
        frame->height > 16384) {
        error = "the decoded picture has no usable size";
        return false;
    }
    if (!sws_ || swsWidth_ != frame->width || swsHeight_ != frame->height ||
        swsFormat_ != frame->format) {
        if (sws_) sws_freeContext(sws_);
        // Same size in and out: only the colour conversion runs, no scaling.
        sws_ = sws_getContext(frame->width, frame->height,
                              static_cast<AVPixelFormat>(frame->format), frame->width,
                              frame->height, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr,
                              nullptr);
        swsWidth_ = frame->width;
        swsHeight_ = frame->height;
        swsFormat_ = frame->format;
        if (!sws_) {
            error = "sws_getContext() Failed!";
            return false;
        }
    }
    uint32_t stride = DibStride(frame->width, 24);
    rows.resize(static_cast<size_t>(stride) * frame->height);
    // Writing the last row first with a negative stride turns the picture bottom-up.
    uint8_t* dst[4] = {rows.data() + static_cast<size_t>(stride) * (frame->height - 1), nullptr,
                       nullptr, nullptr};
    int dstStride[4] = {-static_cast<int>(stride), 0, 0, 0};
    int out = sws_scale(sws_, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
    if (out != frame->height) {
        error = "sws_scale() Failed!";
        return false;
    }
    return true;
}

}  // namespace ocv
