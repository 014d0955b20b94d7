#pragma once
// One video decoder of a network stream, with the conversion of its pictures into bottom-up
// BGR rows padded to 4 bytes (the frame sample's layout).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVCodecParameters;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace ocv {

// The text FFmpeg gives for an error code.
std::string AvErrorText(int code);

// Routes FFmpeg's own messages away from standard error: the newest error message of each
// thread is kept for LastFfmpegMessage. Safe to call more than once.
void CaptureFfmpegMessages();
// The newest error message FFmpeg wrote on this thread since the last ClearFfmpegMessage
// ("Failed to resolve hostname x: ..."), without its line end; "" when none.
std::string LastFfmpegMessage();
void ClearFfmpegMessage();

class StreamDecoder {
public:
    StreamDecoder();
    ~StreamDecoder();
    StreamDecoder(const StreamDecoder&) = delete;
    StreamDecoder& operator=(const StreamDecoder&) = delete;

    // Opens a single-threaded decoder for the stream's codec. False with the failing call's
    // name in `error` and FFmpeg's text of it in `detail`.
    bool Open(const AVCodecParameters* par, std::string& error, std::string& detail);
    void Close();
    bool IsOpen() const { return ctx_ != nullptr; }

    // Decodes one packet (nullptr drains the decoder); `onFrame` sees every picture that comes
    // out. Returns 0, or FFmpeg's negative error code when the decoder refused the packet (a
    // corrupt packet: the decoder stays usable).
    int Decode(const AVPacket* packet, const std::function<void(const AVFrame*)>& onFrame);
    // Forgets every reference picture (before decoding from a new key frame).
    void Flush();

    // Converts a decoded picture into bottom-up BGR rows of DibStride(width, 24) bytes.
    bool ToRows(const AVFrame* frame, std::vector<uint8_t>& rows, std::string& error);

private:
    AVCodecContext* ctx_ = nullptr;
    AVFrame* frame_ = nullptr;
    SwsContext* sws_ = nullptr;
    int swsWidth_ = 0, swsHeight_ = 0, swsFormat_ = -1;
};

}  // namespace ocv
