#include "bare_sdl_stream.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace klavet::bench {

namespace {

constexpr int kRate = 48000;
constexpr std::size_t kRampFrames = kRate * 5 / 1000;

} // namespace

BareSdlStream::BareSdlStream(const std::string& path, float gain)
    : tone_(LoadWaveFile(path, kRate)), gain_(gain), ramp_(kRampFrames), rampDone_(kRampFrames) {
    for (std::size_t k = 0; k < kRampFrames; ++k)
        ramp_[k] = static_cast<float>(0.5 * (1.0 - std::cos(std::numbers::pi * static_cast<double>(k + 1) /
                                                            static_cast<double>(kRampFrames))));
}

BareSdlStream::~BareSdlStream() {
    if (device_ != 0)
        SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool BareSdlStream::Open() {
    if (!tone_)
        return false;
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    SDL_AudioSpec want{};
    want.freq = kRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 256;
    want.callback = Callback;
    want.userdata = this;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device_ != 0)
        SDL_PauseAudioDevice(device_, 0);
    return device_ != 0;
}

void BareSdlStream::Down() {
    restart_.store(true);
    held_.store(true);
}

void BareSdlStream::Up() {
    held_.store(false);
}

void SDLCALL BareSdlStream::Callback(void* user, Uint8* stream, int length) {
    static_cast<BareSdlStream*>(user)->Fill(reinterpret_cast<std::int16_t*>(stream),
                                            static_cast<std::size_t>(length) / 4);
}

// A press restarts the tone and ramps the volume up from where it is; a
// release ramps it down. The tone runs on silenced, as the trainer's does.
void BareSdlStream::Fill(std::int16_t* out, std::size_t frames) {
    const bool held = held_.load();
    const bool restart = restart_.exchange(false);
    if (restart)
        at_ = 0;
    if (held != wasHeld_ || restart) {
        from_ = now_;
        to_ = held ? gain_ : 0.0f;
        rampDone_ = 0;
        wasHeld_ = held;
    }
    const Clip& tone = *tone_;
    for (std::size_t i = 0; i < frames; ++i) {
        now_ = rampDone_ < kRampFrames ? from_ + (to_ - from_) * ramp_[rampDone_++] : to_;
        float left = 0, right = 0;
        if (at_ < tone.Frames()) {
            left = tone.samples[at_ * static_cast<std::size_t>(tone.channels)];
            right = tone.samples[at_ * static_cast<std::size_t>(tone.channels) + (tone.channels > 1 ? 1 : 0)];
            ++at_;
        }
        out[2 * i] =
            static_cast<std::int16_t>(std::lrint(std::clamp(left * now_ * 32768.0f, -32768.0f, 32767.0f)));
        out[2 * i + 1] =
            static_cast<std::int16_t>(std::lrint(std::clamp(right * now_ * 32768.0f, -32768.0f, 32767.0f)));
    }
}

} // namespace klavet::bench
