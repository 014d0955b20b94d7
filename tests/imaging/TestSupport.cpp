#include "TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

namespace ocv::test {

Rgb PixelAt(const CDibImage& image, int x, int y) {
    const uint8_t* p =
        image.GetBits() + static_cast<size_t>(image.Height() - 1 - y) * image.Stride() + 3 * x;
    return Rgb{p[2], p[1], p[0]};
}

void SetPixel(CDibImage& image, int x, int y, Rgb c) {
    uint8_t* p =
        image.GetBits() + static_cast<size_t>(image.Height() - 1 - y) * image.Stride() + 3 * x;
    p[0] = static_cast<uint8_t>(c.b);
    p[1] = static_cast<uint8_t>(c.g);
    p[2] = static_cast<uint8_t>(c.r);
}

CDibImage MakeGradient(int width, int height) {
    CDibImage image;
    image.CreateBlank(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(image, x, y, Rgb{(x * 7) & 255, (y * 11) & 255, (x * 3 + y * 5) & 255});
    return image;
}

CDibImage MakeFilled(int width, int height, Rgb c) {
    CDibImage image;
    image.CreateBlank(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) SetPixel(image, x, y, c);
    return image;
}

CDibImage MakeNoise(int width, int height, uint32_t seed) {
    CDibImage image;
    image.CreateBlank(width, height);
    std::mt19937 rng(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            SetPixel(image, x, y,
                     Rgb{static_cast<int>(rng() & 255), static_cast<int>(rng() & 255),
                         static_cast<int>(rng() & 255)});
    return image;
}

std::string RunPython(const std::string& script, const std::vector<std::string>& args, bool* ok) {
    int out[2];
    if (pipe(out) != 0) {
        *ok = false;
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>("/usr/bin/python3"));
        argv.push_back(const_cast<char*>("-c"));
        argv.push_back(const_cast<char*>(script.c_str()));
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string result;
    char buf[4096];
    ssize_t n;
    while ((n = read(out[0], buf, sizeof buf)) > 0) result.append(buf, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    *ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

}  // namespace ocv::test
