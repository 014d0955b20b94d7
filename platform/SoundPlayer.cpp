#include "platform/SoundPlayer.h"

#include <alsa/asoundlib.h>

#include <condition_variable>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/WavFile.h"

namespace ocv {
namespace {

// One player thread for the process. A request replaces any pending or playing sound.
class Player {
public:
    static Player& Instance() {
        // Never destroyed: the thread may still be running while static objects go away.
        static Player* p = new Player();
        return *p;
    }

    void Play(std::shared_ptr<WavSound> sound) {
        {
            std::lock_guard lock(mutex_);
            pending_ = std::move(sound);
            ++generation_;
            if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
        }
        cv_.notify_all();
    }

    void Stop() {
        {
            std::lock_guard lock(mutex_);
            pending_.reset();
            ++generation_;
        }
        cv_.notify_all();
    }

    unsigned Played() {
        std::lock_guard lock(mutex_);
        return played_;
    }

private:
    void Run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            cv_.wait(lock, [&] { return pending_ != nullptr; });
            auto sound = std::move(pending_);
            unsigned gen = generation_;
            lock.unlock();
            PlayOne(*sound, gen);
            lock.lock();
        }
    }

    bool Cancelled(unsigned gen) {
        std::lock_guard lock(mutex_);
        return gen != generation_;
    }

    void PlayOne(const WavSound& s, unsigned gen) {
        snd_pcm_t* pcm = nullptr;
        if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) return;
        snd_pcm_format_t fmt = s.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
        if (snd_pcm_set_params(pcm, fmt, SND_PCM_ACCESS_RW_INTERLEAVED, s.channels,
                               static_cast<unsigned>(s.sampleRate), 1, 200000) < 0) {
            snd_pcm_close(pcm);
            return;
        }
        {
            std::lock_guard lock(mutex_);
            ++played_;
        }
        const size_t frameBytes = static_cast<size_t>(s.channels) * (s.bitsPerSample / 8);
        const size_t total = s.frames.size() / frameBytes;
        // Write in short pieces so that a new request or a stop cuts the sound quickly.
        const size_t piece = static_cast<size_t>(s.sampleRate) / 20;
        size_t done = 0;
        while (done < total && !Cancelled(gen)) {
            size_t n = std::min(piece, total - done);
            snd_pcm_sframes_t w = snd_pcm_writei(pcm, s.frames.data() + done * frameBytes, n);
            if (w < 0) w = snd_pcm_recover(pcm, static_cast<int>(w), 1);
            if (w < 0) break;
            done += static_cast<size_t>(w);
        }
        if (Cancelled(gen))
            snd_pcm_drop(pcm);
        else
            snd_pcm_drain(pcm);
        snd_pcm_close(pcm);
    }

    std::mutex mutex_;
    std::condition_variable cv_;
    std::shared_ptr<WavSound> pending_;
    unsigned generation_ = 0;
    unsigned played_ = 0;
    std::thread thread_;
};

// ALSA prints its own complaints to stderr when no device is configured; the player is meant to
// be silent then.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

bool PlaySoundAsync(const uint8_t* wav, size_t size) {
    auto sound = std::make_shared<WavSound>();
    std::string error;
    if (!ParseWav(wav, size, *sound, error)) return false;
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(&QuietAlsa); });
    Player::Instance().Play(std::move(sound));
    return true;
}

bool PlaySoundFileAsync(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    f.seekg(0, std::ios::end);
    auto len = f.tellg();
    if (len <= 0 || len > 64 * 1024 * 1024) return false;
    f.seekg(0);
    std::vector<uint8_t> bytes(static_cast<size_t>(len));
    if (!f.read(reinterpret_cast<char*>(bytes.data()), len)) return false;
    return PlaySoundAsync(bytes.data(), bytes.size());
}

void StopSound() { Player::Instance().Stop(); }

unsigned SoundsPlayed() { return Player::Instance().Played(); }

}  // namespace ocv
