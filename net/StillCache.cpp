#include "net/StillCache.h"

namespace ocv {

CStillCache::Entry* CStillCache::Find(const StillKey& key) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->key == key) {
            entries_.splice(entries_.begin(), entries_, it);
            return &entries_.front();
        }
    }
    return nullptr;
}

uint64_t CStillCache::Made() const {
    std::lock_guard lock(mutex_);
    return count_;
}

CStillCache::Jpeg CStillCache::Get(const StillKey& key, uint64_t number, const Maker& make,
                                   std::string& error) {
    bool keep = false;
    if (number == 0) {
        Jpeg jpeg = make(error, keep);
        std::lock_guard lock(mutex_);
        ++count_;
        return jpeg;
    }
    std::unique_lock lock(mutex_);
    Entry* entry = nullptr;
    for (;;) {
        entry = Find(key);
        if (!entry) break;
        if (!entry->busy) {
            if (entry->jpeg && entry->number == number) return entry->jpeg;
            break;
        }
        // Another request makes this key's picture: its frame is at least as new as ours.
        made_.wait(lock);
    }
    if (!entry) {
        if (entries_.size() >= kMaxEntries) {
            // Drop the least recently used picture that nobody is making.
            for (auto it = entries_.end(); it != entries_.begin();) {
                --it;
                if (!it->busy) {
                    entries_.erase(it);
                    break;
                }
            }
        }
        entries_.push_front(Entry{key, 0, nullptr, false});
        entry = &entries_.front();
    }
    entry->busy = true;
    lock.unlock();

    Jpeg jpeg;
    try {
        jpeg = make(error, keep);
    } catch (...) {
        lock.lock();
        entry->busy = false;
        made_.notify_all();
        throw;
    }

    lock.lock();
    ++count_;
    // The entry stays in the list while busy (eviction skips busy entries), so it is still ours.
    entry->busy = false;
    if (jpeg && keep) {
        entry->jpeg = jpeg;
        entry->number = number;
    } else {
        entry->jpeg.reset();
        entry->number = 0;
    }
    made_.notify_all();
    return jpeg;
}

}  // namespace ocv
