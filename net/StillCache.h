#pragma once
// Still pictures shared by concurrent requests: one JPEG per size, quality and camera frame.
// The first request for a key and frame makes the picture; requests for the same key that come
// while it is being made wait for it and send the same bytes. Nothing runs between requests.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ocv {

struct StillKey {
    int width = 0;  // 0 x 0: the camera's own size
    int height = 0;
    int quality = 80;
    bool operator==(const StillKey&) const = default;
};

class CStillCache {
public:
    using Jpeg = std::shared_ptr<const std::vector<uint8_t>>;
    // Makes the picture of the key from a fresh frame copy: the JPEG, or null with the error
    // text. `keep` false (a picture that must not be reused) leaves it out of the cache.
    using Maker = std::function<Jpeg(std::string& error, bool& keep)>;

    static constexpr size_t kMaxEntries = 8;

    // The picture of `key` for frame `number` (made now, or by a concurrent request); `number`
    // 0 means the frame cannot be numbered: the picture is made for this request alone.
    Jpeg Get(const StillKey& key, uint64_t number, const Maker& make, std::string& error);

    // Pictures made so far (for tests and measurements).
    uint64_t Made() const;

private:
    struct Entry {
        StillKey key;
        uint64_t number = 0;  // frame of `jpeg`
        Jpeg jpeg;
        bool busy = false;  // a request is making the picture
    };
    Entry* Find(const StillKey& key);

    mutable std::mutex mutex_;
    std::condition_variable made_;
    std::list<Entry> entries_;  // most recently used first
    uint64_t count_ = 0;
};

}  // namespace ocv
