#pragma once
// Converts an uncompressed AVI into a Windows Media file (Windows Media Video 8 in an ASF
// container, by FFmpeg) with the bit rate, frame size and frame rate of a profile. The frames keep
// the AVI's timing, so the file lasts as long as the recording; a profile rate below the AVI's
// drops frames to keep at most that rate. Only the video stream is converted.
#include <cstdint>
#include <memory>
#include <string>

#include "controller/WmvProfiles.h"

namespace ocv {

class CUncompAVIToWMV {
public:
    CUncompAVIToWMV();
    ~CUncompAVIToWMV();
    CUncompAVIToWMV(const CUncompAVIToWMV&) = delete;
    CUncompAVIToWMV& operator=(const CUncompAVIToWMV&) = delete;

    // Opens the AVI and its video stream and prepares the encoder and the output. `listFile`,
    // `addArbitrary`, `flag` and `smpte` are taken for the shape of the call and change nothing
    // here. A maximum duration of 0 or less means no limit. 0 or a negative error code.
    int Initial(const std::string& input, const char* listFile, const std::string& output,
                const WmvProfile* profile, bool addArbitrary, int flag, bool smpte,
                int maxDurationSeconds);
    // Writes every frame in time order, then ends the file. 0 or a negative error code.
    int Start();
    // The FFmpeg text of the last failure.
    const std::string& LastError() const { return error_; }

private:
    struct State;
    int Fail(int code, const char* step);
    std::unique_ptr<State> s_;
    std::string error_;
};

}  // namespace ocv
