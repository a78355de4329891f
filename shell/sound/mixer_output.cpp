#include "mixer_output.h"

#include "clip_cache.h"
#include "default_sound.h"
#include "executable_directory.h"
#include "mixer.h"
#include "pulse_device.h"
#include "sdl_device.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace klavet {

namespace {

using MonotonicClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kRetryEvery = 1s;

MixerSettings SettingsFor(const SoundOutputOptions& options) {
    MixerSettings settings;
    settings.rate = kOutputRate;
    if (options.parkAfterSeconds > 0)
        settings.parkAfterFrames = static_cast<std::size_t>(options.parkAfterSeconds * kOutputRate);
    return settings;
}

// The state the user-interface thread and the keeper share. Lives as long as
// either of them, so that a keeper stuck in a hung server can be left behind.
struct Core {
    Core(const SoundOutputOptions& o, DeviceChooser c) : options(o), choose(c), mixer(SettingsFor(o)) {
        devices.pulse = MakePulseDevice(mixer, options);
        devices.sdl = MakeSdlDevice(mixer, options);
    }

    const SoundOutputOptions options;
    const DeviceChooser choose;
    Mixer mixer;
    SoundDevices devices;
    std::atomic<SoundDevice*> active{nullptr};

    std::mutex lock;
    std::condition_variable changed;
    bool stop = false;
    bool check = false;
    bool finished = false;
};

// Opens a device, watches it and chooses again once it is lost, at most once
// a second. While one is open, or a server answered but had no sink, it looks
// by itself each second: sound returns within a second or so of a sink
// appearing, unasked. With no server at all it looks again only when asked
// (a key pressed): probing for one costs more than the trainer at rest.
void Keep(std::shared_ptr<Core> core) {
    DeviceChoice choice = core->choose(core->options.backend, core->devices);
    core->active.store(choice.device);
    auto lastAttempt = MonotonicClock::now();
    std::unique_lock lk(core->lock);
    const auto asked = [&] { return core->stop || core->check; };
    while (!core->stop) {
        if (choice.device || choice.soon)
            core->changed.wait_for(lk, kRetryEvery, asked);
        else
            core->changed.wait(lk, asked);
        core->check = false;
        if (core->stop || (choice.device && !choice.device->Lost()) ||
            MonotonicClock::now() - lastAttempt < kRetryEvery)
            continue;
        lk.unlock();
        core->active.store(nullptr);
        if (choice.device)
            choice.device->Close();
        choice = core->choose(core->options.backend, core->devices);
        core->active.store(choice.device);
        lastAttempt = MonotonicClock::now();
        lk.lock();
    }
    SoundDevice* device = choice.device;
    lk.unlock();
    core->active.store(nullptr);
    if (device)
        device->Close();
    lk.lock();
    core->finished = true;
    core->changed.notify_all();
}

class MixerOutput final : public SoundOutput {
public:
    MixerOutput(const SoundOutputOptions& options, DeviceChooser choose)
        : core_(std::make_shared<Core>(options, choose)), cache_(kOutputRate),
          defaultSound_(MakeDefaultSound(kOutputRate)) {
        core_->mixer.HoldAwake(true);
        keeper_ = std::thread(Keep, core_);
        for (auto name : {kKeyToneFile, kDotFile, kDashFile})
            cache_.Find(SoundFilePath(name));
    }

    ~MixerOutput() override {
        std::unique_lock lk(core_->lock);
        core_->stop = true;
        core_->changed.notify_all();
        if (core_->changed.wait_for(lk, 3s, [&] { return core_->finished; })) {
            lk.unlock();
            keeper_.join();
            return;
        }
        // The keeper is stuck in a hung server: leave it, and the sounds the
        // mixer may still read, behind.
        keeper_.detach();
        for (auto& request : live_)
            request.release();
    }

    void PlaySoundAsync(const std::string& path) override {
        auto clip = cache_.Find(path);
        Post(clip ? clip : defaultSound_, false);
        Nudge();
    }

    // Silent and timed by the clock while no device plays.
    void PlaySoundSync(const std::string& path) override {
        auto clip = cache_.Find(path);
        Nudge();
        if (!clip)
            return;
        const auto length = std::chrono::duration<double>(static_cast<double>(clip->Frames()) / kOutputRate);
        const auto deadline = MonotonicClock::now() + std::chrono::duration_cast<MonotonicClock::duration>(length);
        SoundDevice* device = core_->active.load();
        if (!device) {
            std::this_thread::sleep_until(deadline);
            return;
        }
        const std::size_t frames = clip->Frames();
        WaitPlayedOut(Post(std::move(clip), true), frames, *device, deadline);
    }

    void SetWaveVolume(std::uint32_t volume) override {
        core_->mixer.SetVolume(volume);
        WakeDevice();
        Nudge();
    }

    std::string SoundFilePath(std::string_view name) const override {
        return ExecutableDirectory() + std::string(name);
    }

    int BufferFrames() const override {
        SoundDevice* device = core_->active.load();
        return device ? device->BufferFrames() : 0;
    }
    int LeadFrames() const override {
        SoundDevice* device = core_->active.load();
        return device ? device->LeadFrames() : 0;
    }
    bool Streaming() const override { return core_->active.load() != nullptr; }

private:
    std::uint32_t Post(std::shared_ptr<const Clip> clip, bool follows) {
        std::erase_if(live_, [](const auto& r) { return r->released.load(); });
        auto request = std::make_unique<SoundRequest>();
        request->clip = std::move(clip);
        request->id = ++lastId_;
        request->follows = follows;
        SoundRequest* posted = request.get();
        live_.push_back(std::move(request));
        if (SoundRequest* untaken = core_->mixer.Post(posted))
            std::erase_if(live_, [&](const auto& r) { return r.get() == untaken; });
        WakeDevice();
        return posted->id;
    }

    void WakeDevice() {
        if (SoundDevice* device = core_->active.load())
            device->Wake();
    }

    // Returns once the sound is within the device's lead of its end as heard:
    // the next synchronous sound is then handed over in time to follow it
    // without a gap. Never later than the sound's own length from the call.
    void WaitPlayedOut(std::uint32_t id, std::size_t frames, const SoundDevice& device,
                       MonotonicClock::time_point deadline) {
        for (;;) {
            const MixerStart start = core_->mixer.LastStart();
            const auto ahead = static_cast<std::int32_t>(start.id - id);
            if (ahead > 0 || MonotonicClock::now() >= deadline)
                return;
            double left = 0.002;
            if (ahead == 0) {
                const std::uint64_t until = start.frame + frames;
                const auto lead = static_cast<std::uint64_t>(std::max(device.LeadFrames(), 0));
                const std::uint64_t heard = device.HeardFrame() + lead;
                if (heard >= until)
                    return;
                left = static_cast<double>(until - heard) / kOutputRate;
            }
            std::this_thread::sleep_for(std::chrono::duration<double>(std::clamp(left, 0.0005, 0.02)));
        }
    }

    // Asks the keeper to look at the device, a few times a second at most.
    void Nudge() {
        const auto now = MonotonicClock::now();
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
    MonotonicClock::time_point lastNudge_{};
    std::thread keeper_;
};

} // namespace

std::unique_ptr<SoundOutput> MakeMixerOutput(const SoundOutputOptions& options, DeviceChooser choose) {
    return std::make_unique<MixerOutput>(options, choose);
}

} // namespace klavet
