#pragma once
// Windows Media profiles mapped onto encoder settings: a table of system profiles chosen by
// index, and custom profile files (.prx: the profile's XML as UTF-16 text) of which the video
// stream's bit rate, frame size and frame rate are read.
#include <cstddef>
#include <cstdint>
#include <string>

namespace ocv {

struct WmvProfile {
    std::string name;
    int64_t bitRate = 0;  // bits per second of the video stream
    int width = 0;        // 0: the size of the recording
    int height = 0;
    double frameRate = 0.0;  // frames per second at most; 0: the rate of the recording
};

// The system profiles, index 0 and up:
//   index  bit rate   frame size  frame rate  use
//   0       28 kbps   160 x 120    15         dial-up modem
//   1       56 kbps   176 x 144    15         dial-up modem, more detail
//   2      100 kbps   240 x 180    15         ISDN
//   3      256 kbps   320 x 240    15         broadband, low
//   4      384 kbps   320 x 240    30         broadband
//   5      768 kbps   640 x 480    15         broadband, high
//   6     1500 kbps   640 x 480    30         local network
//   7     2000 kbps   the recording's size and rate  archive quality
size_t SystemProfileCount();
// 0 with the profile filled, a negative code for an index outside the table.
int LoadSystemProfile(int index, WmvProfile& out);
// Reads a custom profile file. 0 on success; a negative code when the file cannot be read or
// holds no usable video stream description.
int LoadCustomProfile(const std::string& path, WmvProfile& out);

// Parses a profile's bytes (UTF-16 with or without a byte-order mark, or UTF-8). False with
// `error` set when it is no XML, has no video stream, or its values are out of range (bit rate
// 1 kbps to 100 Mbps, size up to 4096 x 4096 in even numbers, rate up to 120 per second).
bool ParseProfileXml(const uint8_t* data, size_t size, WmvProfile& out, std::string& error);

}  // namespace ocv
