#pragma once

// The one voice of the sound output and its volume, rendered into 16-bit
// stereo frames on the audio thread. Knows nothing of devices or files: the
// user-interface thread hands it sounds and volume words through atomics only.
// It keeps its state at the start of every block it renders, so that a stream
// with frames queued ahead can render again from any queued position.

#include "wave_file.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace klavet {

// One sound handed to the mixer. The user-interface thread owns it; the mixer
// sets `released` once it has taken what it needs, and the owner frees it then.
struct SoundRequest {
    std::shared_ptr<const Clip> clip;
    std::uint32_t id = 0;
    // A synchronous sound follows a synchronous one still running instead of
    // cutting it, so that elements join without a gap; it also keeps the
    // stream from parking.
    bool follows = false;
    std::atomic<bool> released{false};
};

// The sound that started last, and the frame of the timeline where it did.
struct MixerStart {
    std::uint32_t id = 0;
    std::uint64_t frame = 0;
};

struct MixerSettings {
    int rate = 48000;
    double rampSeconds = 0.005;
    // Frames of idle silence after which the audio thread sleeps until the
    // next call wakes it; 0 never sleeps.
    std::size_t parkAfterFrames = 0;
    // Blocks whose starting state is kept for rendering again.
    std::size_t historyBlocks = 1024;
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
    MixerStart LastStart() const;
    // Ends a park and keeps the audio thread from parking again while set.
    void HoldAwake(bool hold);
    bool Parked() const { return parked_.load(); }
    int Rate() const { return settings_.rate; }

    // Audio-thread side. The timeline counts every frame rendered; Position
    // is where the next one goes.
    std::uint64_t Position() const { return state_.position; }
    // The frame where input was last taken: no rewind goes before it.
    std::uint64_t InputFrame() const { return inputFrame_; }
    // True when a sound or a volume word waits to be taken.
    bool HasInput() const;
    // Takes the waiting sound and volume word: they sound from Position().
    void Apply();
    // What was rendered up to Position() will not be heard (the queue that
    // held it was silenced): a sound under way rises afresh from here, as one
    // just started does, and one fading out is gone. No rewind goes before it.
    void Hush();
    // Fills `frames` interleaved stereo frames from Position() on.
    void Render(std::int16_t* out, std::size_t frames);
    // Returns to an earlier frame of the timeline, as the state was there,
    // so that what follows is rendered again. Refused (false) before the
    // oldest block kept or before the last frame where input was taken.
    bool RewindTo(std::uint64_t frame);
    // Nothing sounds, nothing will without new input, no ramp is running.
    bool Idle() const;
    // A sound runs, heard or not: what follows keeps its place in time.
    bool Playing() const;
    // Sleeps the calling audio thread once the stream has been idle for the
    // park time, until the next call; what the sleep skipped is counted.
    void ParkIfIdle(std::size_t frames);

private:
    struct Voice {
        std::shared_ptr<const Clip> clip;
        std::uint32_t id = 0;
        bool follows = false;
        std::size_t position = 0;
        std::size_t fade = 0;        // frames of fade-out done, for a voice being cut
        std::size_t rise = SIZE_MAX; // frames of fade-in done, for a voice that starts afresh
    };
    // Everything rendering reads and writes: copied at each block's start.
    struct State {
        Voice current;
        Voice next;
        Voice fading;
        std::uint32_t volumeSeen = 0;
        float gainFrom[2] = {0, 0};
        float gainTo[2] = {0, 0};
        float gainNow[2] = {0, 0};
        float fadeGain[2] = {0, 0};
        std::size_t rampDone = 0;
        std::uint64_t position = 0;
        MixerStart started;
    };

    void Wake();
    void Produce(std::int16_t* out, std::size_t frames);
    void Remember();
    void TakePending();
    void TakeVolume();
    void FadeOut(Voice& voice);
    void ProduceSilence(std::int16_t* out, std::size_t frames);
    void Skip(std::size_t frames);
    void MoveOnSilently(std::size_t frames);
    void EndCurrent(std::uint64_t frame);
    void MixFrame(float voice[2], float fading[2]);
    void PublishStart();

    const MixerSettings settings_;
    std::vector<float> rampShape_; // raised cosine rising from 0 to 1

    std::atomic<SoundRequest*> pending_{nullptr};
    std::atomic<std::uint32_t> volume_{0};
    std::atomic<std::uint32_t> wakeCount_{0};
    std::atomic<bool> parked_{false};
    std::atomic<bool> holdAwake_{false};
    // LastStart, published under a sequence count.
    std::atomic<std::uint32_t> startSeq_{0};
    std::atomic<std::uint32_t> startId_{0};
    std::atomic<std::uint64_t> startFrame_{0};

    // Owned by the audio thread.
    State state_;
    std::vector<State> history_; // ring of block starts, oldest at historyFirst_
    std::size_t historyFirst_ = 0;
    std::size_t historyCount_ = 0;
    std::uint64_t inputFrame_ = 0; // where input was last taken
    std::vector<std::int16_t> scratch_;
    std::size_t idleFrames_ = 0;
};

} // namespace klavet
