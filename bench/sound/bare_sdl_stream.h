#pragma once

// The benchmark's baseline: a bare SDL2 stream of 256 frames whose callback
// plays the key tone while a key is down, gated as the trainer gates it (the
// tone from its start at each press, 5 ms raised-cosine ramps on the volume,
// the same level on both channels). It has no queue of its own and no clicks
// by design; it measures nothing itself.

#include "wave_file.h"

#include <SDL.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace klavet::bench {

class BareSdlStream {
public:
    // Plays the tone of the wave file at `path` at the level `gain` (0..1).
    BareSdlStream(const std::string& path, float gain);
    ~BareSdlStream();
    BareSdlStream(const BareSdlStream&) = delete;
    BareSdlStream& operator=(const BareSdlStream&) = delete;

    // Opens the device and starts it; false if the tone or the device failed.
    bool Open();
    void Down();
    void Up();

private:
    static void SDLCALL Callback(void* user, Uint8* stream, int length);
    void Fill(std::int16_t* out, std::size_t frames);

    std::shared_ptr<const Clip> tone_;
    const float gain_;
    std::vector<float> ramp_; // raised cosine rising from 0 to 1
    std::atomic<bool> held_{false};
    std::atomic<bool> restart_{false};
    SDL_AudioDeviceID device_ = 0;

    // Callback thread only.
    std::size_t at_ = 0;
    bool wasHeld_ = false;
    float from_ = 0, to_ = 0, now_ = 0;
    std::size_t rampDone_ = 0;
};

} // namespace klavet::bench
