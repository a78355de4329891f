#pragma once

// The one voice of the sound output and its volume, rendered into 16-bit
// stereo frames by the audio thread. Knows nothing of devices or files: the
// user-interface thread hands it sounds and volume words through atomics only,
// and the audio thread never waits for that thread while a sound is heard.

#include "wave_file.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace klavet {

// One sound handed to the mixer. The user-interface thread owns it; the mixer
// sets `released` once it will not read it again, and the owner frees it then.
struct SoundRequest {
    std::shared_ptr<const Clip> clip;
    std::uint32_t id = 0;
    // A synchronous sound follows a synchronous one still running instead of
    // cutting it, so that elements join without a gap; it also keeps the
    // stream from parking.
    bool follows = false;
    std::atomic<bool> released{false};
};

struct MixerProgress {
    std::uint32_t id = 0;        // the sound playing, else the last one that ended
    std::uint32_t remaining = 0; // its frames not yet rendered
};

struct MixerSettings {
    int rate = 48000;
    double rampSeconds = 0.005;
    // Frames of idle silence after which the audio thread sleeps until the
    // next call wakes it; 0 never sleeps.
    std::size_t parkAfterFrames = 0;
};

class Mixer {
public:
    explicit Mixer(const MixerSettings& settings);
    ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    // User-interface side. Post returns a request the mixer never took, which
    // belongs to the caller again, or null.
    SoundRequest* Post(SoundRequest* request);
    void SetVolume(std::uint32_t word);
    MixerProgress Progress() const;
    // Ends a park and keeps the audio thread from parking again while set.
    void HoldAwake(bool hold);
    bool Parked() const { return parked_.load(); }
    int Rate() const { return settings_.rate; }

    // Audio-thread side: fills `frames` interleaved stereo frames.
    void Render(std::int16_t* out, std::size_t frames);

private:
    struct Voice {
        SoundRequest* request = nullptr;
        std::size_t position = 0;
        std::size_t fade = 0;        // frames of fade-out done, for a voice being cut
        std::size_t rise = SIZE_MAX; // frames of fade-in done, for a voice that starts afresh
    };

    void Wake();
    void ParkIfIdle(std::size_t frames);
    bool Idle() const;
    void TakePending();
    void TakeVolume();
    void Release(Voice& voice);
    void Skip(Voice& voice, std::size_t frames);
    void EndCurrent();
    void MixFrame(float voice[2], float fading[2]);
    void PublishProgress();

    const MixerSettings settings_;
    std::vector<float> rampShape_; // raised cosine rising from 0 to 1

    std::atomic<SoundRequest*> pending_{nullptr};
    std::atomic<std::uint32_t> volume_{0};
    std::atomic<std::uint64_t> progress_{0};
    std::atomic<std::uint32_t> wakeCount_{0};
    std::atomic<bool> parked_{false};
    std::atomic<bool> holdAwake_{false};

    // Owned by the audio thread.
    Voice current_;
    Voice next_;
    Voice fading_;
    std::uint32_t lastId_ = 0;
    std::uint32_t volumeSeen_ = 0;
    float gainFrom_[2] = {0, 0};
    float gainTo_[2] = {0, 0};
    float gainNow_[2] = {0, 0};
    float fadeGain_[2] = {0, 0};
    std::size_t rampDone_ = 0;
    std::size_t idleFrames_ = 0;
};

} // namespace klavet
