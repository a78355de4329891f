#include "sound_capture.h"

#include "machine_stall_watch.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace klavet::testing {

namespace {

class ServerCapture final : public Capture {
public:
    ServerCapture(const std::string& kind, SoundBackend backend)
        : server_(MakeSoundServer(kind)), backend_(backend) {
        ready_ = server_->Start();
    }
    bool Ready() const override { return ready_; }
    SoundOutputOptions Options() override {
        SoundOutputOptions options;
        options.backend = backend_;
        return options;
    }
    std::size_t Frames() const override { return server_->Recorder().Frames(); }
    std::vector<std::int16_t> Samples(std::size_t from, std::size_t to) const override {
        return server_->Recorder().Samples(from, to);
    }
    SoundServer* Server() override { return server_.get(); }
    bool GlitchedBetween(std::chrono::steady_clock::time_point from,
                         std::chrono::steady_clock::time_point to) const override {
        const auto stalls = StallsBetween(from, to);
        return server_->RanLate(from, to) || server_->Recorder().LargestCatchUp(from, to, 48000) >= kStall ||
               std::any_of(stalls.begin(), stalls.end(), [](auto stall) { return stall >= kStall; });
    }
    std::vector<std::chrono::steady_clock::duration>
    StallsBetween(std::chrono::steady_clock::time_point from,
                  std::chrono::steady_clock::time_point to) const override {
        return stalls_.StallsBetween(from, to);
    }
    std::optional<std::chrono::steady_clock::time_point> HeardAt(std::size_t frame) const override {
        if (const auto played = server_->PlayedAt(frame))
            return played;
        return server_->Recorder().ArrivedAt(frame);
    }

private:
    // A stall, or a burst of frames at the recorder (a sink catching up on
    // what it fell behind by, as PulseAudio's does, which tells no lateness
    // of its own), that may well have emptied SDL's stream (half of what it
    // keeps queued at its default buffer), or let the server overtake an edge
    // that the pulse device aims a step or two ahead of it: it spoils a
    // recording.
    static constexpr std::chrono::milliseconds kStall{20};
    // SDL's thread refills its stream only once the stream has room for a
    // whole buffer, so a shorter stall, at the wrong moment, can run it dry
    // as well: such stalls are noted too, to tell a flaw there from the
    // output's own.
    static constexpr std::chrono::milliseconds kStallNoted{5};

    std::unique_ptr<SoundServer> server_;
    MachineStallWatch stalls_{kStallNoted};
    const SoundBackend backend_;
    bool ready_ = false;
};

// Keeps the first ten minutes of what the output hands over.
class TapCapture final : public Capture {
public:
    TapCapture() : samples_(2 * 600 * 48000) {}
    bool Ready() const override { return true; }
    SoundOutputOptions Options() override {
        SoundOutputOptions options;
        options.backend = SoundBackend::Sdl;
        options.tap = [this](const std::int16_t* frames, std::size_t count) {
            const std::size_t at = written_.load(std::memory_order_relaxed);
            const std::size_t n = std::min(count, samples_.size() / 2 - at);
            std::memcpy(samples_.data() + 2 * at, frames, 2 * n * sizeof(std::int16_t));
            written_.store(at + n, std::memory_order_release);
        };
        return options;
    }
    std::size_t Frames() const override { return written_.load(std::memory_order_acquire); }
    std::vector<std::int16_t> Samples(std::size_t from, std::size_t to) const override {
        to = std::min(to, Frames());
        if (from >= to)
            return {};
        return {samples_.begin() + static_cast<std::ptrdiff_t>(2 * from),
                samples_.begin() + static_cast<std::ptrdiff_t>(2 * to)};
    }

private:
    std::vector<std::int16_t> samples_;
    std::atomic<std::size_t> written_{0};
};

} // namespace

std::unique_ptr<Capture> Capture::ForThisRun() {
    const char* given = std::getenv("KLAVET_SOUND_TARGET");
    const std::string target = given ? given : "pulseaudio";
    if (target == "dummy") {
        ::setenv("SDL_AUDIODRIVER", "dummy", 1);
        return std::make_unique<TapCapture>();
    }
    if (target == "sdl")
        return std::make_unique<ServerCapture>("pulseaudio", SoundBackend::Sdl);
    return std::make_unique<ServerCapture>(target, SoundBackend::Pulse);
}

std::unique_ptr<SoundOutput> Capture::StreamingOutput() {
    auto output = CreateSoundOutput(Options());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!output->Streaming()) {
        if (std::chrono::steady_clock::now() > deadline)
            return nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return output;
}

} // namespace klavet::testing
