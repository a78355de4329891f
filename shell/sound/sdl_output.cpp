#include "sdl_output.h"

#include "clip_cache.h"
#include "default_sound.h"
#include "executable_directory.h"
#include "mixer.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <dlfcn.h>
#include <mutex>
#include <thread>
#include <vector>

namespace klavet {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

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

// The state the audio thread and the device keeper share. Lives as long as
// either of them, so that a keeper stuck in a hung server can be left behind.
struct Core {
    explicit Core(const SoundOutputOptions& o)
        : options(o),
          mixer(MixerSettings{
              kOutputRate, 0.005,
              o.parkAfterSeconds > 0 ? static_cast<std::size_t>(o.parkAfterSeconds * kOutputRate) : 0}) {}

    const SoundOutputOptions options;
    Mixer mixer;
    std::atomic<bool> streaming{false};
    std::atomic<int> bufferFrames{0};

    std::mutex lock;
    std::condition_variable changed;
    bool stop = false;
    bool check = false;
    bool started = false;
    bool finished = false;
};

void SDLCALL RenderCallback(void* user, Uint8* stream, int length) {
    auto* core = static_cast<Core*>(user);
    auto* frames = reinterpret_cast<std::int16_t*>(stream);
    const auto count = static_cast<std::size_t>(length) / (2 * sizeof(std::int16_t));
    core->mixer.Render(frames, count);
    if (core->options.tap)
        core->options.tap(frames, count);
}

// Opens, watches and reopens the SDL device on a thread of its own, so that a
// slow or absent server never holds the user-interface thread. It is the only
// thread that calls SDL.
class DeviceKeeper {
public:
    static void Run(std::shared_ptr<Core> core) {
        DeviceKeeper keeper(*core);
        keeper.Open();
        core->mixer.HoldAwake(false);
        std::unique_lock lk(core->lock);
        core->started = true;
        core->changed.notify_all();
        while (!core->stop) {
            core->changed.wait(lk, [&] { return core->stop || core->check; });
            if (core->stop)
                break;
            core->check = false;
            lk.unlock();
            keeper.ReopenIfLost();
            lk.lock();
        }
        lk.unlock();
        keeper.Close();
        lk.lock();
        core->finished = true;
        core->changed.notify_all();
    }

private:
    explicit DeviceKeeper(Core& core) : core_(core) {}

    void Open() {
        lastAttempt_ = Clock::now();
        QuietAlsaDiagnostics();
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Klavet");
        SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Key tone");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return;
        initialised_ = true;
        SDL_EventState(SDL_AUDIODEVICEADDED, SDL_IGNORE);
        SDL_EventState(SDL_AUDIODEVICEREMOVED, SDL_IGNORE);
        SDL_AudioSpec want{};
        want.freq = kOutputRate;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = static_cast<Uint16>(std::clamp(core_.options.bufferFrames, 16, 16384));
        want.callback = RenderCallback;
        want.userdata = &core_;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0)
            return;
        core_.bufferFrames.store(have.samples);
        core_.streaming.store(true);
        SDL_PauseAudioDevice(device_, 0);
    }

    void Close() {
        core_.mixer.HoldAwake(true);
        if (device_ != 0)
            SDL_CloseAudioDevice(device_);
        device_ = 0;
        core_.streaming.store(false);
        core_.bufferFrames.store(0);
        if (initialised_)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
        initialised_ = false;
        // With nothing of SDL left in use, let it free what it keeps.
        if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
            SDL_Quit();
    }

    // A device cut off from its server stays open but stopped; an absent one
    // was never opened. Either way the driver is started afresh, at most once
    // a second, since a server may have appeared in the meantime.
    void ReopenIfLost() {
        if (device_ != 0 && SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_STOPPED)
            return;
        if (Clock::now() - lastAttempt_ < 1s)
            return;
        Close();
        Open();
        core_.mixer.HoldAwake(false);
    }

    Core& core_;
    SDL_AudioDeviceID device_ = 0;
    bool initialised_ = false;
    Clock::time_point lastAttempt_{};
};

// Plays through SDL's default output device: one stream opened at start and
// kept running, one voice, the volume word applied in the stream. Sounds and
// volumes reach the audio thread through the mixer's atomics only.
class SdlOutput final : public SoundOutput {
public:
    explicit SdlOutput(const SoundOutputOptions& options)
        : core_(std::make_shared<Core>(options)), cache_(kOutputRate),
          defaultSound_(MakeDefaultSound(kOutputRate)) {
        core_->mixer.HoldAwake(true);
        keeper_ = std::thread(DeviceKeeper::Run, core_);
        WarmCache();
        std::unique_lock lk(core_->lock);
        core_->changed.wait_for(lk, 3s, [&] { return core_->started; });
    }

    ~SdlOutput() override {
        std::unique_lock lk(core_->lock);
        core_->stop = true;
        core_->changed.notify_all();
        if (core_->changed.wait_for(lk, 3s, [&] { return core_->finished; })) {
            lk.unlock();
            keeper_.join();
            return;
        }
        // The device is hung in its server: leave it, and the sounds it may
        // still read, behind.
        keeper_.detach();
        for (auto& request : live_)
            request.release();
    }

    void PlaySoundAsync(const std::string& path) override {
        auto clip = cache_.Find(path);
        Post(clip ? clip : defaultSound_, false);
        Nudge();
    }

    void PlaySoundSync(const std::string& path) override {
        auto clip = cache_.Find(path);
        Nudge();
        if (!clip || !core_->streaming.load())
            return;
        const SoundRequest& request = Post(clip, true);
        WaitPlayedOut(request);
    }

    void SetWaveVolume(std::uint32_t volume) override {
        core_->mixer.SetVolume(volume);
        Nudge();
    }

    std::string SoundFilePath(std::string_view name) const override {
        return ExecutableDirectory() + std::string(name);
    }

    int BufferFrames() const override { return core_->bufferFrames.load(); }
    bool Streaming() const override { return core_->streaming.load(); }

private:
    void WarmCache() {
        for (auto name : {kKeyToneFile, kDotFile, kDashFile})
            cache_.Find(SoundFilePath(name));
    }

    const SoundRequest& Post(std::shared_ptr<const Clip> clip, bool follows) {
        std::erase_if(live_, [](const auto& r) { return r->released.load(); });
        auto request = std::make_unique<SoundRequest>();
        request->clip = std::move(clip);
        request->id = ++lastId_;
        request->follows = follows;
        SoundRequest* posted = request.get();
        live_.push_back(std::move(request));
        if (SoundRequest* untaken = core_->mixer.Post(posted))
            std::erase_if(live_, [&](const auto& r) { return r.get() == untaken; });
        return *posted;
    }

    // Returns once the sound is within two buffers of its end: the next
    // synchronous sound is then handed over in time to follow it without a gap.
    void WaitPlayedOut(const SoundRequest& request) {
        const int rate = core_->mixer.Rate();
        const auto lead = static_cast<std::uint32_t>(2 * std::max(BufferFrames(), 1));
        const auto length = std::chrono::duration<double>(static_cast<double>(request.clip->Frames()) / rate);
        const auto deadline = Clock::now() + length + 2s;
        for (;;) {
            const MixerProgress p = core_->mixer.Progress();
            const auto ahead = static_cast<std::int32_t>(p.id - request.id);
            if (ahead > 0 || (ahead == 0 && p.remaining <= lead))
                return;
            if (!core_->streaming.load() || Clock::now() >= deadline)
                return;
            const double left = ahead == 0 ? static_cast<double>(p.remaining - lead) / rate : 0.002;
            std::this_thread::sleep_for(std::chrono::duration<double>(std::clamp(left, 0.0005, 0.02)));
        }
    }

    // Asks the keeper to look at the device, a few times a second at most.
    void Nudge() {
        const auto now = Clock::now();
        if (now - lastNudge_ < 250ms)
            return;
        lastNudge_ = now;
        std::lock_guard lk(core_->lock);
        core_->check = true;
        core_->changed.notify_all();
    }

    std::shared_ptr<Core> core_;
    ClipCache cache_;
    const std::shared_ptr<const Clip> defaultSound_;
    std::vector<std::unique_ptr<SoundRequest>> live_;
    std::uint32_t lastId_ = 0;
    Clock::time_point lastNudge_{};
    std::thread keeper_;
};

} // namespace

std::unique_ptr<SoundOutput> CreateSdlOutput(const SoundOutputOptions& options) {
    return std::make_unique<SdlOutput>(options);
}

} // namespace klavet
