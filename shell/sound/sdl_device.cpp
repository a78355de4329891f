#include "sdl_device.h"

#include "audio_thread_priority.h"
#include "mixer.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <dlfcn.h>

namespace klavet {

namespace {

// ALSA's library prints its failures on standard error (no card, no server
// behind its default device) while SDL looks for a driver; the output reports
// nothing, so those go nowhere. The library is looked up, not linked.
void IgnoreAlsaDiagnostic(const char*, int, const char*, int, const char*, ...) {
}

void QuietAlsaDiagnostics() {
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    static const bool done = [] {
        void* alsa = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!alsa)
            return false;
        auto setHandler = reinterpret_cast<int (*)(Handler)>(::dlsym(alsa, "snd_lib_error_set_handler"));
        if (setHandler)
            setHandler(IgnoreAlsaDiagnostic);
        return true;
    }();
    (void)done;
}

class SdlDevice final : public SoundDevice {
public:
    SdlDevice(Mixer& mixer, const SoundOutputOptions& options) : mixer_(mixer), options_(options) {}
    ~SdlDevice() override { Close(); }

    DeviceOpening Open() override {
        QuietAlsaDiagnostics();
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Klavet");
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Key tone");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return DeviceOpening::Absent;
        initialised_ = true;
        SDL_EventState(SDL_AUDIODEVICEADDED, SDL_IGNORE);
        SDL_EventState(SDL_AUDIODEVICEREMOVED, SDL_IGNORE);
        SDL_AudioSpec want{};
        want.freq = mixer_.Rate();
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = static_cast<Uint16>(std::clamp(options_.bufferFrames, 16, 16384));
        want.callback = RenderCallback;
        want.userdata = this;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) {
            Close();
            return DeviceOpening::Absent;
        }
        bufferFrames_.store(have.samples);
        mixer_.HoldAwake(false);
        SDL_PauseAudioDevice(device_, 0);
        return DeviceOpening::Opened;
    }

    void Close() override {
        // A callback asleep in the mixer must wake for the device to close.
        mixer_.HoldAwake(true);
        if (device_ != 0)
            SDL_CloseAudioDevice(device_);
        device_ = 0;
        bufferFrames_.store(0);
        if (initialised_)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        initialised_ = false;
        // With nothing of SDL left in use, let it free what it keeps.
        if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
            SDL_Quit();
    }

    // A device cut off from its server stays open but stopped.
    bool Lost() const override {
        return device_ != 0 && SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED;
    }
    int BufferFrames() const override { return bufferFrames_.load(); }
    std::uint64_t HeardFrame() const override { return handed_.load(std::memory_order_acquire); }
    // A sound handed over is taken at the next callback; one more buffer
    // allows for a callback that comes early.
    int LeadFrames() const override { return 2 * bufferFrames_.load(); }
    // The mixer wakes a sleeping callback by itself.
    void Wake() override {}

private:
    static void SDLCALL RenderCallback(void* user, Uint8* stream, int length) {
        RaiseAudioThreadPriority();
        auto* self = static_cast<SdlDevice*>(user);
        auto* frames = reinterpret_cast<std::int16_t*>(stream);
        const auto count = static_cast<std::size_t>(length) / (2 * sizeof(std::int16_t));
        self->mixer_.ParkIfIdle(count);
        self->mixer_.Apply();
        self->mixer_.Render(frames, count);
        self->handed_.store(self->mixer_.Position(), std::memory_order_release);
        if (self->options_.tap)
            self->options_.tap(frames, count);
    }

    Mixer& mixer_;
    const SoundOutputOptions options_;
    SDL_AudioDeviceID device_ = 0;
    bool initialised_ = false;
    std::atomic<int> bufferFrames_{0};
    std::atomic<std::uint64_t> handed_{0};
};

} // namespace

std::unique_ptr<SoundDevice> MakeSdlDevice(Mixer& mixer, const SoundOutputOptions& options) {
    return std::make_unique<SdlDevice>(mixer, options);
}

} // namespace klavet
