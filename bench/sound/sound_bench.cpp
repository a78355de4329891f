// Figures of the sound output beside a bare SDL2 stream of 256 frames playing
// the same tone gated the same way, on a private PulseAudio server and on a
// private PipeWire server, both recorded at a pipe sink: key event to the
// first sample at the sink, release to silence, dropouts and clicks with the
// other core busy, the first press after 5 s of idle, and idle CPU. Prints;
// asserts nothing.

#include "child_process.h"
#include "sound_output.h"
#include "sound_server.h"
#include "test_waves.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

using namespace klavet;
using namespace klavet::testing;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

// What is measured: a key that goes down (tone from its start) and up.
struct Keyed {
    std::function<void()> down;
    std::function<void()> up;
};

// The bare stream: SDL's callback copies the tone while the key is down,
// restarting it at each press, and silence while it is up.
struct BareSdl {
    std::vector<float> tone;
    std::atomic<bool> held{false};
    std::atomic<bool> restart{false};
    std::size_t at = 0;
    SDL_AudioDeviceID device = 0;

    static void SDLCALL Callback(void* user, Uint8* stream, int length) {
        auto* self = static_cast<BareSdl*>(user);
        auto* out = reinterpret_cast<std::int16_t*>(stream);
        const auto frames = static_cast<std::size_t>(length) / 4;
        if (self->restart.exchange(false))
            self->at = 0;
        const bool held = self->held.load();
        for (std::size_t i = 0; i < frames; ++i) {
            const float x = held && self->at < self->tone.size() ? self->tone[self->at] : 0.0f;
            self->at += held ? 1 : 0;
            out[2 * i] = out[2 * i + 1] = static_cast<std::int16_t>(x * 30000.0f / 65535.0f * 32767.0f);
        }
    }
    bool Open() {
        tone.clear();
        for (const double x : Sine(700, 40, 48000, 0.5))
            tone.push_back(static_cast<float>(x));
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
            return false;
        SDL_AudioSpec want{};
        want.freq = 48000;
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        want.samples = 256;
        want.callback = Callback;
        want.userdata = this;
        device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (device != 0)
            SDL_PauseAudioDevice(device, 0);
        return device != 0;
    }
    void Close() {
        if (device != 0)
            SDL_CloseAudioDevice(device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    Keyed Key() {
        return {[this] { restart.store(true), held.store(true); }, [this] { held.store(false); }};
    }
};

struct Stats {
    std::vector<double> values;
    std::string Text() {
        if (values.empty())
            return "none";
        std::sort(values.begin(), values.end());
        char text[128];
        std::snprintf(text, sizeof text, "median %6.2f  p90 %6.2f  worst %6.2f ms", values[values.size() / 2],
                      values[values.size() * 9 / 10], values.back());
        return text;
    }
};

Clock::duration FramesToTime(std::size_t frames) {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(frames / 48000.0));
}

// The sink's clock: frame f of the recording is due at origin + f / rate,
// the origin fixed by the earliest arrival of any read since `from` (a read
// arrives at or after its first frame is due).
struct SinkClock {
    Clock::time_point origin = Clock::time_point::max();
    SinkClock(const FifoRecorder& recorder, std::size_t from) {
        for (std::size_t f = from; f < recorder.Frames(); f += 240) {
            const auto arrival = recorder.ArrivalOf(f);
            if (arrival.time_since_epoch().count() != 0)
                origin = std::min(origin, arrival - FramesToTime(f));
        }
    }
    Clock::time_point Due(std::size_t frame) const { return origin + FramesToTime(frame); }
};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Presses of 110 to 135 ms, 90 to 115 ms apart; the sink's recording gives
// onset, release, dropouts (more tones than presses) and clicks.
void Presses(const char* what, SoundServer& server, const Keyed& key, int presses, bool busy) {
    pid_t load = busy ? Spawn({"sh", "-c", "while :; do :; done"}, EnvironmentWith({}), "/dev/null") : -1;
    std::mt19937 random(7);
    const FifoRecorder& recorder = server.Recorder();
    std::this_thread::sleep_for(300ms);
    const std::size_t mark = recorder.Frames();
    std::vector<Clock::time_point> downs, ups;
    for (int i = 0; i < presses; ++i) {
        downs.push_back(Clock::now());
        key.down();
        std::this_thread::sleep_for(110ms + std::chrono::microseconds(random() % 25000));
        ups.push_back(Clock::now());
        key.up();
        std::this_thread::sleep_for(90ms + std::chrono::microseconds(random() % 25000));
    }
    std::this_thread::sleep_for(500ms);
    KillChild(load);
    const auto played = recorder.Samples(mark, recorder.Frames());
    const auto tones = Sounding(played, 0, 40);
    const SinkClock sink(recorder, mark);
    Stats onset, release;
    int clicks = 0;
    for (std::size_t i = 0; i < tones.size() && i < downs.size(); ++i) {
        onset.values.push_back(Ms(sink.Due(mark + tones[i].begin) - downs[i]));
        release.values.push_back(Ms(sink.Due(mark + tones[i].end) - ups[i]));
        const std::vector<std::int16_t> part(played.begin() + 2 * static_cast<std::ptrdiff_t>(tones[i].begin),
                                             played.begin() + 2 * static_cast<std::ptrdiff_t>(
                                                                      std::min(tones[i].end + 8, played.size() / 2)));
        clicks += MaxBend(part, 0) > 200 || MaxBend(part, 1) > 200;
    }
    std::printf("  %-22s %d presses%s: %zu tones, dropouts %d, clicks %d\n", what, presses,
                busy ? " (other core busy)" : "", tones.size(),
                std::max(0, static_cast<int>(tones.size()) - presses), clicks);
    std::printf("    key down -> first sample at the sink: %s\n", onset.Text().c_str());
    std::printf("    key up   -> silence at the sink:      %s\n", release.Text().c_str());
}

void AfterIdle(const char* what, SoundServer& server, const Keyed& key, int presses) {
    Stats onset;
    const FifoRecorder& recorder = server.Recorder();
    for (int i = 0; i < presses; ++i) {
        std::this_thread::sleep_for(5s);
        const std::size_t mark = recorder.Frames();
        const auto down = Clock::now();
        key.down();
        std::this_thread::sleep_for(200ms);
        key.up();
        std::this_thread::sleep_for(300ms);
        const auto tones = Sounding(recorder.Samples(mark, recorder.Frames()), 0, 40);
        if (!tones.empty())
            onset.values.push_back(Ms(SinkClock(recorder, mark).Due(mark + tones[0].begin) - down));
    }
    std::printf("  %-22s first press after 5 s of idle (%d): %s\n", what, presses, onset.Text().c_str());
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double IdleCpuPercent() {
    const double before = CpuSeconds();
    std::this_thread::sleep_for(10s);
    return 10.0 * (CpuSeconds() - before);
}

void Server(const std::string& kind, int presses, int idlePresses) {
    auto server = MakeSoundServer(kind);
    if (!server->Start()) {
        std::printf("%s: could not be started\n", kind.c_str());
        return;
    }
    std::printf("%s (pipe sink, 48 kHz):\n", server->Name());
    std::this_thread::sleep_for(1s);
    const double recorderCpu = IdleCpuPercent();
    {
        SoundOutputOptions options;
        options.backend = SoundBackend::Pulse;
        auto output = CreateSoundOutput(options);
        while (!output->Streaming())
            std::this_thread::sleep_for(10ms);
        const std::string tok = output->SoundFilePath(kKeyToneFile);
        const Keyed key{[&] {
                            output->SetWaveVolume(VolumeOn);
                            output->PlaySoundAsync(tok);
                        },
                        [&] { output->SetWaveVolume(VolumeOff); }};
        Presses("klavet", *server, key, presses, false);
        Presses("klavet", *server, key, presses, true);
        AfterIdle("klavet", *server, key, idlePresses);
        std::printf("  %-22s idle CPU %.3f %% of a core (the recorder's %.3f %% taken out)\n", "klavet",
                    IdleCpuPercent() - recorderCpu, recorderCpu);
    }
    BareSdl bare;
    if (!bare.Open()) {
        std::printf("  bare SDL stream: could not be opened\n");
        return;
    }
    const Keyed key = bare.Key();
    Presses("bare SDL, 256 frames", *server, key, presses, false);
    Presses("bare SDL, 256 frames", *server, key, presses, true);
    AfterIdle("bare SDL, 256 frames", *server, key, idlePresses);
    std::printf("  %-22s idle CPU %.3f %% of a core\n", "bare SDL, 256 frames", IdleCpuPercent() - recorderCpu);
    bare.Close();
}

} // namespace

// sound_bench [PRESSES [IDLE_PRESSES [SERVER...]]]: 200 presses and 5 presses
// after idle by default, on pulseaudio and pipewire.
int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const int idlePresses = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::vector<std::string> servers;
    for (int i = 3; i < argc; ++i)
        servers.push_back(argv[i]);
    if (servers.empty())
        servers = {"pulseaudio", "pipewire"};
    for (const auto& kind : servers)
        Server(kind, presses, idlePresses);
    return 0;
}
