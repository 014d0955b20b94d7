// The capture-device layer on V4L2 through libv4l2: every format a driver offers reaches us as
// BGR24, converted by libv4lconvert where the driver cannot deliver it itself.
#include <dirent.h>
#include <fcntl.h>
#include <libv4l2.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "sources/CaptureDevice.h"

namespace ocv {
namespace {

std::string CallFailed(const char* call) {
    return std::string(call) + " Failed! [" + std::strerror(errno) + "]";
}

int Xioctl(int fd, unsigned long request, void* arg) {
    int r;
    do {
        r = v4l2_ioctl(fd, request, arg);
    } while (r == -1 && errno == EINTR);
    return r;
}

std::string FourCc(uint32_t f) {
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((f >> (8 * i)) & 0xff);
    return s;
}

std::string Text(const uint8_t* s, size_t n) {
    return std::string(reinterpret_cast<const char*>(s), strnlen(reinterpret_cast<const char*>(s), n));
}

class V4l2Device : public ICaptureDevice {
public:
    explicit V4l2Device(int fd) : fd_(fd) {}
    ~V4l2Device() override {
        Stop();
        v4l2_close(fd_);
    }

    bool SetFormat(const CaptureFormat& wanted, std::string& error) override {
        v4l2_format fmt{};
        fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        fmt.fmt.pix.width = static_cast<uint32_t>(wanted.width);
        fmt.fmt.pix.height = static_cast<uint32_t>(wanted.height);
        fmt.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
        fmt.fmt.pix.field = V4L2_FIELD_ANY;
        if (Xioctl(fd_, VIDIOC_S_FMT, &fmt) < 0) {
            error = CallFailed("VIDIOC_S_FMT");
            return false;
        }
        v4l2_streamparm parm{};
        parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (wanted.frameRate > 0 && Xioctl(fd_, VIDIOC_G_PARM, &parm) == 0 &&
            (parm.parm.capture.capability & V4L2_CAP_TIMEPERFRAME)) {
            parm.parm.capture.timeperframe.numerator = 1;
            parm.parm.capture.timeperframe.denominator = static_cast<uint32_t>(wanted.frameRate);
            Xioctl(fd_, VIDIOC_S_PARM, &parm);  // a device with a fixed rate keeps its own
        }
        return true;
    }

    bool GetFormat(CaptureFormat& out, std::string& error) override {
        v4l2_format fmt{};
        fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (Xioctl(fd_, VIDIOC_G_FMT, &fmt) < 0) {
            error = CallFailed("VIDIOC_G_FMT");
            return false;
        }
        if (fmt.fmt.pix.pixelformat != V4L2_PIX_FMT_BGR24) {
            error = "VIDIOC_G_FMT: the device delivers " + FourCc(fmt.fmt.pix.pixelformat) +
                    ", not BGR24";
            return false;
        }
        width_ = static_cast<int>(fmt.fmt.pix.width);
        height_ = static_cast<int>(fmt.fmt.pix.height);
        bytesPerLine_ = std::max<uint32_t>(fmt.fmt.pix.bytesperline, fmt.fmt.pix.width * 3);
        out.width = width_;
        out.height = height_;
        out.frameRate = 0;
        v4l2_streamparm parm{};
        parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (Xioctl(fd_, VIDIOC_G_PARM, &parm) == 0 && parm.parm.capture.timeperframe.numerator)
            out.frameRate = static_cast<int>(parm.parm.capture.timeperframe.denominator /
                                              parm.parm.capture.timeperframe.numerator);
        return true;
    }

    std::vector<CaptureMode> Modes() override {
        std::vector<CaptureMode> modes;
        for (uint32_t i = 0;; ++i) {
            v4l2_fmtdesc desc{};
            desc.index = i;
            desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            if (Xioctl(fd_, VIDIOC_ENUM_FMT, &desc) < 0) break;
            if (desc.flags & V4L2_FMT_FLAG_EMULATED) continue;  // libv4l's own conversions
            for (uint32_t j = 0; j < 256; ++j) {
                v4l2_frmsizeenum size{};
                size.index = j;
                size.pixel_format = desc.pixelformat;
                if (Xioctl(fd_, VIDIOC_ENUM_FRAMESIZES, &size) < 0) break;
                if (size.type != V4L2_FRMSIZE_TYPE_DISCRETE) {
                    modes.push_back({FourCc(desc.pixelformat),
                                     static_cast<int>(size.stepwise.max_width),
                                     static_cast<int>(size.stepwise.max_height),
                                     {}});
                    break;
                }
                CaptureMode m{FourCc(desc.pixelformat), static_cast<int>(size.discrete.width),
                              static_cast<int>(size.discrete.height), {}};
                for (uint32_t k = 0; k < 64; ++k) {
                    v4l2_frmivalenum iv{};
                    iv.index = k;
                    iv.pixel_format = desc.pixelformat;
                    iv.width = size.discrete.width;
                    iv.height = size.discrete.height;
                    if (Xioctl(fd_, VIDIOC_ENUM_FRAMEINTERVALS, &iv) < 0 ||
                        iv.type != V4L2_FRMIVAL_TYPE_DISCRETE)
                        break;
                    if (iv.discrete.numerator)
                        m.frameRates.push_back(
                            static_cast<int>(iv.discrete.denominator / iv.discrete.numerator));
                }
                modes.push_back(std::move(m));
            }
        }
        return modes;
    }

    std::vector<CaptureControl> Controls() override {
        std::vector<CaptureControl> controls;
        v4l2_queryctrl q{};
        q.id = V4L2_CTRL_FLAG_NEXT_CTRL;
        while (Xioctl(fd_, VIDIOC_QUERYCTRL, &q) == 0 && controls.size() < 256) {
            if (!(q.flags & V4L2_CTRL_FLAG_DISABLED) &&
                (q.type == V4L2_CTRL_TYPE_INTEGER || q.type == V4L2_CTRL_TYPE_BOOLEAN ||
                 q.type == V4L2_CTRL_TYPE_MENU)) {
                CaptureControl c;
                c.id = q.id;
                c.name = Text(q.name, sizeof q.name);
                c.type = static_cast<int>(q.type);
                c.minimum = q.minimum;
                c.maximum = q.maximum;
                c.step = q.step;
                c.defaultValue = q.default_value;
                v4l2_control v{};
                v.id = q.id;
                c.value = Xioctl(fd_, VIDIOC_G_CTRL, &v) == 0 ? v.value : q.default_value;
                controls.push_back(std::move(c));
            }
            q.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
        }
        return controls;
    }

    bool SetControl(uint32_t id, int value, std::string& error) override {
        v4l2_control v{};
        v.id = id;
        v.value = value;
        if (Xioctl(fd_, VIDIOC_S_CTRL, &v) < 0) {
            error = CallFailed("VIDIOC_S_CTRL");
            return false;
        }
        return true;
    }

    bool Start(std::string& error) override {
        CaptureFormat f;
        if (!GetFormat(f, error)) return false;
        v4l2_requestbuffers req{};
        req.count = 4;
        req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        req.memory = V4L2_MEMORY_MMAP;
        if (Xioctl(fd_, VIDIOC_REQBUFS, &req) < 0 || req.count < 1) {
            // A device without streaming I/O: libv4l2 reads it for us.
            readMode_ = true;
            return true;
        }
        for (uint32_t i = 0; i < req.count; ++i) {
            v4l2_buffer b{};
            b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            b.memory = V4L2_MEMORY_MMAP;
            b.index = i;
            if (Xioctl(fd_, VIDIOC_QUERYBUF, &b) < 0) {
                error = CallFailed("VIDIOC_QUERYBUF");
                Stop();
                return false;
            }
            void* p = v4l2_mmap(nullptr, b.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_,
                                b.m.offset);
            if (p == MAP_FAILED) {
                error = CallFailed("v4l2_mmap()");
                Stop();
                return false;
            }
            buffers_.push_back({p, b.length});
            if (Xioctl(fd_, VIDIOC_QBUF, &b) < 0) {
                error = CallFailed("VIDIOC_QBUF");
                Stop();
                return false;
            }
        }
        v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (Xioctl(fd_, VIDIOC_STREAMON, &type) < 0) {
            error = CallFailed("VIDIOC_STREAMON");
            Stop();
            return false;
        }
        streaming_ = true;
        return true;
    }

    WaitResult Wait(int stopFd, int timeoutMs, std::string& error) override {
        pollfd p[2] = {{fd_, POLLIN, 0}, {stopFd, POLLIN, 0}};
        int n = ::poll(p, stopFd >= 0 ? 2 : 1, timeoutMs);
        if (n < 0) {
            if (errno == EINTR) return WaitResult::kTimeout;
            error = CallFailed("poll()");
            return WaitResult::kFailed;
        }
        if (stopFd >= 0 && (p[1].revents & POLLIN)) return WaitResult::kStopped;
        if (n == 0) return WaitResult::kTimeout;
        if (p[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            errno = ENODEV;
            error = CallFailed("poll()");
            return WaitResult::kFailed;
        }
        return WaitResult::kPicture;
    }

    bool Read(std::vector<uint8_t>& bgr, std::string& error) override {
        size_t row = static_cast<size_t>(width_) * 3;
        bgr.resize(row * static_cast<size_t>(height_));
        if (readMode_) {
            ssize_t n = v4l2_read(fd_, bgr.data(), bgr.size());
            if (n < 0 && errno == EAGAIN) return false;
            if (n < static_cast<ssize_t>(bgr.size())) {
                error = CallFailed("v4l2_read()");
                return false;
            }
            return true;
        }
        v4l2_buffer b{};
        b.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        b.memory = V4L2_MEMORY_MMAP;
        if (Xioctl(fd_, VIDIOC_DQBUF, &b) < 0) {
            if (errno == EAGAIN) {
                error.clear();
                return false;
            }
            error = CallFailed("VIDIOC_DQBUF");
            return false;
        }
        bool ok = b.index < buffers_.size() &&
                  b.bytesused >= bytesPerLine_ * static_cast<uint32_t>(height_ - 1) + row;
        if (ok) {
            const uint8_t* src = static_cast<const uint8_t*>(buffers_[b.index].start);
            for (int y = 0; y < height_; ++y)
                std::memcpy(bgr.data() + row * y, src + static_cast<size_t>(bytesPerLine_) * y, row);
        } else {
            error = "VIDIOC_DQBUF: a short picture";
        }
        if (Xioctl(fd_, VIDIOC_QBUF, &b) < 0) {
            error = CallFailed("VIDIOC_QBUF");
            return false;
        }
        return ok;
    }

    void Stop() override {
        if (streaming_) {
            v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            Xioctl(fd_, VIDIOC_STREAMOFF, &type);
            streaming_ = false;
        }
        for (auto& b : buffers_) v4l2_munmap(b.start, b.length);
        buffers_.clear();
        if (!readMode_) {
            v4l2_requestbuffers req{};
            req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
            req.memory = V4L2_MEMORY_MMAP;
            Xioctl(fd_, VIDIOC_REQBUFS, &req);
        }
        readMode_ = false;
    }

private:
    struct Buffer {
        void* start;
        size_t length;
    };
    int fd_;
    int width_ = 0, height_ = 0;
    uint32_t bytesPerLine_ = 0;
    std::vector<Buffer> buffers_;
    bool streaming_ = false;
    bool readMode_ = false;
};

class V4l2System : public ICaptureSystem {
public:
    std::vector<CaptureDeviceEntry> List() override {
        std::vector<std::pair<int, std::string>> nodes;
        if (DIR* d = ::opendir("/dev")) {
            while (dirent* e = ::readdir(d)) {
                const char* n = e->d_name;
                if (std::strncmp(n, "video", 5) != 0 || !n[5]) continue;
                char* end = nullptr;
                long num = std::strtol(n + 5, &end, 10);
                if (*end || num < 0) continue;
                nodes.emplace_back(static_cast<int>(num), std::string("/dev/") + n);
            }
            ::closedir(d);
        }
        std::sort(nodes.begin(), nodes.end());
        std::vector<CaptureDeviceEntry> out;
        for (auto& [num, path] : nodes) {
            int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0) continue;
            v4l2_capability cap{};
            if (::ioctl(fd, VIDIOC_QUERYCAP, &cap) == 0) {
                uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps
                                                                          : cap.capabilities;
                if (caps & V4L2_CAP_VIDEO_CAPTURE)
                    out.push_back({path, Text(cap.card, sizeof cap.card),
                                   Text(cap.driver, sizeof cap.driver),
                                   Text(cap.bus_info, sizeof cap.bus_info)});
            }
            ::close(fd);
        }
        return out;
    }

    std::unique_ptr<ICaptureDevice> Open(const std::string& path, std::string& error) override {
        int fd = v4l2_open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            error = CallFailed("v4l2_open()");
            return nullptr;
        }
        v4l2_capability cap{};
        if (Xioctl(fd, VIDIOC_QUERYCAP, &cap) < 0) {
            error = CallFailed("VIDIOC_QUERYCAP");
            v4l2_close(fd);
            return nullptr;
        }
        return std::make_unique<V4l2Device>(fd);
    }
};

}  // namespace

std::shared_ptr<ICaptureSystem> V4l2CaptureSystem() { return std::make_shared<V4l2System>(); }

int SelectCaptureDevice(const std::vector<CaptureDeviceEntry>& devices, const std::string& name,
                        int cameraNo) {
    if (name.empty()) return devices.empty() ? -1 : 0;
    int count = cameraNo;
    for (size_t i = 0; i < devices.size(); ++i) {
        if (devices[i].card != name) continue;
        if (count <= 0) return static_cast<int>(i);
        --count;
    }
    return -1;
}

std::string DescribeCaptureDevices(ICaptureSystem& system) {
    std::vector<CaptureDeviceEntry> devices = system.List();
    if (devices.empty()) return "No capture device found.\n";
    std::string out;
    for (const CaptureDeviceEntry& d : devices) {
        out += d.path + "  \"" + d.card + "\"  (" + d.driver + ", " + d.bus + ")\n";
        std::string error;
        auto dev = system.Open(d.path, error);
        if (!dev) {
            out += "    cannot be opened: " + error + "\n";
            continue;
        }
        for (const CaptureMode& m : dev->Modes()) {
            out += "    " + m.pixelFormat + " " + std::to_string(m.width) + "x" +
                   std::to_string(m.height);
            for (size_t i = 0; i < m.frameRates.size(); ++i)
                out += (i ? "/" : " @ ") + std::to_string(m.frameRates[i]);
            if (!m.frameRates.empty()) out += " fps";
            out += "\n";
        }
    }
    return out;
}

}  // namespace ocv
