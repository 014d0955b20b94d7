#include "CamSimPictures.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <ctime>

namespace camsim {
namespace {

struct Canvas {
    std::vector<uint8_t>& rgb;
    int width, height;
    int ox = 0, oy = 0, w = 0, h = 0;  // the cell being drawn

    void Fill(int x, int y, int fw, int fh, uint8_t r, uint8_t g, uint8_t b) {
        int x0 = std::max(0, x), y0 = std::max(0, y);
        int x1 = std::min(w, x + fw), y1 = std::min(h, y + fh);
        for (int yy = y0; yy < y1; ++yy) {
            uint8_t* row = rgb.data() + (static_cast<size_t>(oy + yy) * width + ox) * 3;
            for (int xx = x0; xx < x1; ++xx) {
                row[xx * 3] = r;
                row[xx * 3 + 1] = g;
                row[xx * 3 + 2] = b;
            }
        }
    }
};

// Seven-segment digits: bits a..g.
constexpr uint8_t kSegments[10] = {0x3f, 0x06, 0x5b, 0x4f, 0x66, 0x6d, 0x7d, 0x07, 0x7f, 0x6f};

void DrawDigit(Canvas& c, int x, int y, int s, int digit) {
    uint8_t m = kSegments[digit % 10];
    int t = std::max(1, s / 5);
    auto seg = [&](int bit, int sx, int sy, int sw, int sh) {
        if (m & (1 << bit)) c.Fill(x + sx, y + sy, sw, sh, 255, 255, 255);
    };
    seg(0, t, 0, s, t);              // a
    seg(1, s + t, t, t, s);          // b
    seg(2, s + t, s + 2 * t, t, s);  // c
    seg(3, t, 2 * s + 2 * t, s, t);  // d
    seg(4, 0, s + 2 * t, t, s);      // e
    seg(5, 0, t, t, s);              // f
    seg(6, t, s + t, s, t);          // g
}

void DrawColon(Canvas& c, int x, int y, int s) {
    int t = std::max(1, s / 5);
    c.Fill(x, y + s / 2, t, t, 255, 255, 255);
    c.Fill(x, y + s + s / 2 + t, t, t, 255, 255, 255);
}

void DrawCell(Canvas& c, int camera, int64_t tick, const SceneOptions& scene) {
    int w = c.w, h = c.h;
    // Background: a gradient tinted by the camera number.
    uint8_t tint = static_cast<uint8_t>(40 * (camera % 5));
    for (int y = 0; y < h; ++y) {
        uint8_t* row = c.rgb.data() + (static_cast<size_t>(c.oy + y) * c.width + c.ox) * 3;
        int v = 40 + 120 * y / std::max(1, h);
        for (int x = 0; x < w; ++x) {
            // A fixed grain, the same in every picture, so the pictures weigh like a real
            // camera's without looking like motion.
            uint32_t n =
                static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
            int grain = static_cast<int>((n >> 7) % 25) - 12;
            row[x * 3] = static_cast<uint8_t>(std::clamp(v / 2 + tint + grain, 0, 255));
            row[x * 3 + 1] = static_cast<uint8_t>(std::clamp(v + grain, 0, 255));
            row[x * 3 + 2] = static_cast<uint8_t>(std::clamp(200 - v / 2 + grain, 0, 255));
        }
    }
    int size = std::max(4, std::min(w, h) / 5);
    int fps = scene.fps > 0 ? scene.fps : 30;
    int x, y;
    if (scene.still) {
        bool alternate = false;
        if (scene.changeEverySec > 0) {
            alternate = (std::time(nullptr) / scene.changeEverySec) % 2 == 1;
        }
        x = alternate ? w - size - w / 8 : w / 8;
        y = alternate ? h - size - h / 8 : h / 3;
    } else {
        // Across the picture and back in four seconds, bobbing up and down.
        double phase = static_cast<double>(tick % (4 * fps)) / (4.0 * fps);
        double across = phase < 0.5 ? phase * 2 : 2 - phase * 2;
        x = static_cast<int>(across * (w - size));
        y = static_cast<int>((h - size) / 2 + std::sin(phase * 6.2831853) * (h - size) / 4);
    }
    c.Fill(x, y, size, size, 250, 210, 30);
    // The camera number in the top left corner.
    int s = std::max(3, h / 16);
    if (camera > 0) DrawDigit(c, s / 2, s / 2, s, camera);
    if (!scene.still) {
        // The clock: the local time when pictures are made live, the frame number in a loop.
        int digits[6];
        if (scene.prerender > 0) {
            int64_t n = tick;
            for (int i = 5; i >= 0; --i) {
                digits[i] = static_cast<int>(n % 10);
                n /= 10;
            }
        } else {
            std::time_t now = std::time(nullptr);
            std::tm tm{};
            localtime_r(&now, &tm);
            int v[3] = {tm.tm_hour, tm.tm_min, tm.tm_sec};
            for (int i = 0; i < 3; ++i) {
                digits[2 * i] = v[i] / 10;
                digits[2 * i + 1] = v[i] % 10;
            }
        }
        int cx = w - (6 * (s + 2 * (s / 5 + 1)) + 2 * s) - s / 2;
        int cy = h - 2 * s - 3 * (s / 5 + 1) - s / 2;
        for (int i = 0; i < 6; ++i) {
            DrawDigit(c, cx, cy, s, digits[i]);
            cx += s + 2 * std::max(1, s / 5) + s / 3;
            if (i == 1 || i == 3) {
                DrawColon(c, cx, cy, s);
                cx += s / 2;
            }
        }
    }
}

}  // namespace

void RenderScene(std::vector<uint8_t>& rgb, int width, int height, int camera, int64_t tick,
                 const SceneOptions& scene) {
    rgb.assign(static_cast<size_t>(width) * height * 3, 0);
    Canvas c{rgb, width, height};
    if (camera == 0) {
        int hw = width / 2, hh = height / 2;
        for (int i = 0; i < 4; ++i) {
            c.ox = (i % 2) * hw;
            c.oy = (i / 2) * hh;
            c.w = hw;
            c.h = hh;
            DrawCell(c, i + 1, tick, scene);
        }
        return;
    }
    c.w = width;
    c.h = height;
    DrawCell(c, camera, tick, scene);
}

std::vector<uint8_t> EncodeJpeg(const std::vector<uint8_t>& rgb, int width, int height,
                                int quality) {
    tjhandle tj = tjInitCompress();
    if (!tj) return {};
    unsigned char* out = nullptr;
    unsigned long size = 0;
    std::vector<uint8_t> jpeg;
    if (tjCompress2(tj, rgb.data(), width, 0, height, TJPF_RGB, &out, &size, TJSAMP_420,
                    std::clamp(quality, 1, 100), TJFLAG_FASTDCT) == 0) {
        jpeg.assign(out, out + size);
    }
    tjFree(out);
    tjDestroy(tj);
    return jpeg;
}

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& jpeg, size_t minSize) {
    if (jpeg.size() < 2) return jpeg;
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    while (out.size() + jpeg.size() - 2 <= minSize) {
        out.push_back(0xFF);
        out.push_back(0xFE);  // comment segment of the largest size
        out.push_back(0xFF);
        out.push_back(0xFF);
        out.insert(out.end(), 65533, ' ');
    }
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

Jpeg PictureStore::Get(int width, int height, int quality, int camera, int64_t tick) {
    std::shared_ptr<Channel> ch;
    {
        std::lock_guard lock(mutex_);
        auto& slot = channels_[{width, height, quality, camera}];
        if (!slot) slot = std::make_shared<Channel>();
        ch = slot;
    }
    std::lock_guard lock(ch->mutex);
    std::vector<uint8_t> rgb;
    if (scene_.prerender > 0) {
        if (ch->loop.empty()) {
            for (int i = 0; i < scene_.prerender; ++i) {
                RenderScene(rgb, width, height, camera, i, scene_);
                ch->loop.push_back(std::make_shared<const std::vector<uint8_t>>(
                    EncodeJpeg(rgb, width, height, quality)));
            }
        }
        return ch->loop[static_cast<size_t>(tick % scene_.prerender)];
    }
    // A still scene changes at most once a second; a moving one every tick.
    int64_t key = scene_.still ? static_cast<int64_t>(std::time(nullptr)) : tick;
    if (ch->tick != key || !ch->current) {
        RenderScene(rgb, width, height, camera, tick, scene_);
        ch->current =
            std::make_shared<const std::vector<uint8_t>>(EncodeJpeg(rgb, width, height, quality));
        ch->tick = key;
    }
    return ch->current;
}

}  // namespace camsim
