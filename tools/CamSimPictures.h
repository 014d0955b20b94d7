#pragma once
// The simulator's pictures: a scene with a moving shape, a clock and the camera number, encoded
// to JPEG with TurboJPEG. Each distinct picture is encoded once and shared by every client that
// asks for the same size, quality and camera.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

namespace camsim {

using Jpeg = std::shared_ptr<const std::vector<uint8_t>>;

struct SceneOptions {
    bool still = false;      // the scene holds still (no movement, no clock)
    int changeEverySec = 0;  // with `still`: the scene switches between two layouts this often
    int fps = 15;            // 0: as fast as possible
    int prerender = 0;       // > 0: a pre-encoded loop of this many frames
};

// Draws the scene of frame `tick` (a tick is one frame time) into top-down RGB rows.
// `camera` 0 draws a 2x2 view of cameras 1-4.
void RenderScene(std::vector<uint8_t>& rgb, int width, int height, int camera, int64_t tick,
                 const SceneOptions& scene);
// TurboJPEG encoding of top-down RGB rows; empty on failure.
std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& rgb, int width, int height,
                                int quality);
// A valid JPEG grown past `minSize` bytes by comment segments right after its start marker
// (the filler never holds an FF byte, so no end marker appears early).
std::vector<uint8_t> Inflate(const std::vector<uint8_t>& jpeg, size_t minSize);

class PictureStore {
public:
    explicit PictureStore(SceneOptions scene) : scene_(scene) {}
    // The picture of the given frame tick; shared and never changed after it is made.
    Jpeg Get(int width, int height, int quality, int camera, int64_t tick);

private:
    struct Channel {
        std::mutex mutex;
        int64_t tick = -1;
        Jpeg current;
        std::vector<Jpeg> loop;  // the pre-encoded frames
    };
    SceneOptions scene_;
    std::mutex mutex_;
    std::map<std::tuple<int, int, int, int>, std::shared_ptr<Channel>> channels_;
};

}  // namespace camsim
