#include "controller/WmvConverter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cerrno>
#include <cmath>

namespace ocv {

struct CUncompAVIToWMV::State {
    AVFormatContext* in = nullptr;
    AVFormatContext* out = nullptr;
    AVCodecContext* dec = nullptr;
    AVCodecContext* enc = nullptr;
    SwsContext* sws = nullptr;
    AVFrame* frame = nullptr;
    AVFrame* scaled = nullptr;
    AVPacket* packet = nullptr;
    AVStream* outStream = nullptr;
    int videoIndex = -1;
    AVRational inBase{1, 1};
    std::string outputPath;
    int64_t maxDuration = 0;   // in 100-nanosecond units, 0: no limit
    double minFrameGap = 0.0;  // seconds between kept frames
    double nextKeep = -1.0;
    int64_t outFrames = 0;

    ~State() {
        sws_freeContext(sws);
        av_frame_free(&frame);
        av_frame_free(&scaled);
        av_packet_free(&packet);
        avcodec_free_context(&dec);
        avcodec_free_context(&enc);
        if (out) {
            if (out->pb) avio_closep(&out->pb);
            avformat_free_context(out);
        }
        avformat_close_input(&in);
    }
};

CUncompAVIToWMV::CUncompAVIToWMV() = default;
CUncompAVIToWMV::~CUncompAVIToWMV() = default;

int CUncompAVIToWMV::Fail(int code, const char* step) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    error_ = std::string(step) + ": " + text;
    return code < 0 ? code : AVERROR(EINVAL);
}

int CUncompAVIToWMV::Initial(const std::string& input, const char* listFile,
                             const std::string& output, const WmvProfile* profile,
                             bool addArbitrary, int flag, bool smpte, int maxDurationSeconds) {
    if (input.empty() || output.empty() || !profile) return Fail(AVERROR(EINVAL), "arguments");
    s_ = std::make_unique<State>();
    State& s = *s_;
    s.outputPath = output;
    s.maxDuration = maxDurationSeconds > 0 ? int64_t{maxDurationSeconds} * 10000000 : 0;
    int r = avformat_open_input(&s.in, input.c_str(), nullptr, nullptr);
    if (r < 0) return Fail(r, "open the AVI");
    if ((r = avformat_find_stream_info(s.in, nullptr)) < 0) return Fail(r, "read the AVI");
    s.videoIndex = av_find_best_stream(s.in, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (s.videoIndex < 0) return Fail(s.videoIndex, "find the video stream");
    AVStream* vs = s.in->streams[s.videoIndex];
    s.inBase = vs->time_base;
    const AVCodec* decoder = avcodec_find_decoder(vs->codecpar->codec_id);
    if (!decoder) return Fail(AVERROR_DECODER_NOT_FOUND, "find the decoder");
    s.dec = avcodec_alloc_context3(decoder);
    if (!s.dec) return Fail(AVERROR(ENOMEM), "decoder");
    if ((r = avcodec_parameters_to_context(s.dec, vs->codecpar)) < 0) return Fail(r, "decoder");
    if ((r = avcodec_open2(s.dec, decoder, nullptr)) < 0) return Fail(r, "open the decoder");

    AVRational rate = vs->avg_frame_rate.num > 0 ? vs->avg_frame_rate : vs->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0) rate = AVRational{10, 1};
    if (profile->frameRate > 0 && profile->frameRate < av_q2d(rate))
        s.minFrameGap = 1.0 / profile->frameRate;

    // The encoder wants even sizes; the profile's size, or the recording's rounded down.
    int width = profile->width > 0 ? profile->width : s.dec->width & ~1;
    int height = profile->height > 0 ? profile->height : s.dec->height & ~1;
    if (width < 16 || height < 16) return Fail(AVERROR(EINVAL), "frame size");

    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_WMV2);
    if (!encoder) return Fail(AVERROR_ENCODER_NOT_FOUND, "find the wmv2 encoder");
    if ((r = avformat_alloc_output_context2(&s.out, nullptr, "asf", output.c_str())) < 0)
        return Fail(r, "asf output");
    s.enc = avcodec_alloc_context3(encoder);
    if (!s.enc) return Fail(AVERROR(ENOMEM), "encoder");
    s.enc->width = width;
    s.enc->height = height;
    s.enc->pix_fmt = AV_PIX_FMT_YUV420P;
    s.enc->time_base = s.inBase;
    s.enc->framerate = rate;
    s.enc->bit_rate = profile->bitRate;
    s.enc->rc_max_rate = 0;
    s.enc->gop_size = std::max(1, static_cast<int>(std::lround(av_q2d(rate))) * 5);
    if (s.out->oformat->flags & AVFMT_GLOBALHEADER) s.enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((r = avcodec_open2(s.enc, encoder, nullptr)) < 0) return Fail(r, "open the encoder");
    s.outStream = avformat_new_stream(s.out, nullptr);
    if (!s.outStream) return Fail(AVERROR(ENOMEM), "output stream");
    if ((r = avcodec_parameters_from_context(s.outStream->codecpar, s.enc)) < 0)
        return Fail(r, "output stream");
    s.outStream->time_base = s.enc->time_base;

    s.sws = sws_getContext(s.dec->width, s.dec->height, s.dec->pix_fmt, width, height,
                           AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    s.frame = av_frame_alloc();
    s.scaled = av_frame_alloc();
    s.packet = av_packet_alloc();
    if (!s.sws || !s.frame || !s.scaled || !s.packet) return Fail(AVERROR(ENOMEM), "buffers");
    s.scaled->format = AV_PIX_FMT_YUV420P;
    s.scaled->width = width;
    s.scaled->height = height;
    if ((r = av_frame_get_buffer(s.scaled, 0)) < 0) return Fail(r, "buffers");
    return 0;
}

int CUncompAVIToWMV::Start() {
    if (!s_ || !s_->enc) return Fail(AVERROR(EINVAL), "not initialised");
    State& s = *s_;
    int r = avio_open(&s.out->pb, s.outputPath.c_str(), AVIO_FLAG_WRITE);
    if (r < 0) return Fail(r, "open the output");
    if ((r = avformat_write_header(s.out, nullptr)) < 0) return Fail(r, "begin writing");

    AVPacket* encoded = av_packet_alloc();
    if (!encoded) return Fail(AVERROR(ENOMEM), "buffers");
    auto drain = [&](bool flush) -> int {
        int e = avcodec_send_frame(s.enc, flush ? nullptr : s.scaled);
        if (e < 0) return e;
        for (;;) {
            e = avcodec_receive_packet(s.enc, encoded);
            if (e == AVERROR(EAGAIN) || e == AVERROR_EOF) return 0;
            if (e < 0) return e;
            av_packet_rescale_ts(encoded, s.enc->time_base, s.outStream->time_base);
            encoded->stream_index = s.outStream->index;
            e = av_interleaved_write_frame(s.out, encoded);
            if (e < 0) return e;
        }
    };
    auto encodeDecoded = [&]() -> int {
        for (;;) {
            int e = avcodec_receive_frame(s.dec, s.frame);
            if (e == AVERROR(EAGAIN) || e == AVERROR_EOF) return 0;
            if (e < 0) return e;
            int64_t pts = s.frame->best_effort_timestamp;
            if (pts == AV_NOPTS_VALUE) pts = s.outFrames;
            const double seconds = pts * av_q2d(s.inBase);
            if (s.maxDuration > 0 && seconds * 1e7 >= static_cast<double>(s.maxDuration)) return 1;
            if (seconds + 1e-9 < s.nextKeep) continue;  // above the profile's rate
            s.nextKeep = seconds + s.minFrameGap;
            if ((e = av_frame_make_writable(s.scaled)) < 0) return e;
            sws_scale(s.sws, s.frame->data, s.frame->linesize, 0, s.dec->height, s.scaled->data,
                      s.scaled->linesize);
            s.scaled->pts = pts;
            ++s.outFrames;
            if ((e = drain(false)) < 0) return e;
        }
    };

    int result = 0;
    bool limit = false;
    while (!limit && (r = av_read_frame(s.in, s.packet)) >= 0) {
        if (s.packet->stream_index == s.videoIndex) {
            r = avcodec_send_packet(s.dec, s.packet);
            if (r >= 0) r = encodeDecoded();
            if (r == 1)
                limit = true;
            else if (r < 0)
                result = Fail(r, "convert a frame");
        }
        av_packet_unref(s.packet);
        if (result < 0) break;
    }
    if (result == 0) {
        avcodec_send_packet(s.dec, nullptr);
        if ((r = encodeDecoded()) < 0) result = Fail(r, "convert the last frames");
    }
    if (result == 0 && (r = drain(true)) < 0) result = Fail(r, "end the encoding");
    av_packet_free(&encoded);
    if ((r = av_write_trailer(s.out)) < 0 && result == 0) result = Fail(r, "end writing");
    if ((r = avio_closep(&s.out->pb)) < 0 && result == 0) result = Fail(r, "close the output");
    return result;
}

}  // namespace ocv
