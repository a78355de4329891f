// Figures of the sound output: key-press and release latency at the device,
// dropouts and clicks in what a sound server received, and the CPU the stream
// costs while it plays silence. Prints; asserts nothing.

#include "pulse_server.h"
#include "sound_output.h"
#include "test_waves.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace klavet;
using namespace klavet::testing;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Watches the buffers handed to the device for the first sounding one after
// a press, and the first one ending in silence after a release.
struct Watch {
    std::atomic<int> armed{0}; // 1: wait for sound, 2: wait for silence
    std::atomic<Clock::rep> seen{0};
    std::vector<std::int16_t> handed = std::vector<std::int16_t>(2 * 48000 * 120);
    std::atomic<std::size_t> handedFrames{0};

    void Tap(const std::int16_t* frames, std::size_t count) {
        const std::size_t at = handedFrames.load(std::memory_order_relaxed);
        const std::size_t n = std::min(count, handed.size() / 2 - at);
        std::copy(frames, frames + 2 * n, handed.begin() + static_cast<std::ptrdiff_t>(2 * at));
        handedFrames.store(at + n, std::memory_order_release);
        const int a = armed.load(std::memory_order_acquire);
        if (a == 0)
            return;
        bool sounding = false;
        for (std::size_t i = 0; i < 2 * count && !sounding; ++i)
            sounding = frames[i] != 0;
        bool silentEnd = true;
        for (std::size_t i = 2 * count - std::min<std::size_t>(16, 2 * count); i < 2 * count; ++i)
            silentEnd = silentEnd && frames[i] == 0;
        if ((a == 1 && sounding) || (a == 2 && silentEnd)) {
            seen.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
            armed.store(0, std::memory_order_release);
        }
    }
    // Arms, runs `call`, and returns how long until the awaited buffer.
    double Measure(int what, const std::function<void()>& call) {
        armed.store(what, std::memory_order_release);
        const auto start = Clock::now();
        call();
        const auto deadline = start + 2s;
        while (armed.load(std::memory_order_acquire) != 0 && Clock::now() < deadline)
            std::this_thread::sleep_for(100us);
        if (armed.exchange(0) != 0)
            return -1;
        return Ms(Clock::time_point(Clock::duration(seen.load())) - start);
    }
};

struct Stats {
    std::vector<double> values;
    void Add(double v) { values.push_back(v); }
    std::string Text() {
        if (values.empty())
            return "none";
        std::sort(values.begin(), values.end());
        const double failed = static_cast<double>(std::count(values.begin(), values.end(), -1.0));
        char text[128];
        std::snprintf(text, sizeof text, "median %.2f ms, worst %.2f ms%s", values[values.size() / 2],
                      values.back(), failed > 0 ? " (some never came)" : "");
        return text;
    }
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double ProcessCpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i)
        fields >> skip;
    double user = 0, system = 0;
    fields >> user >> system;
    return (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Percent of one core used by this process and by the server over `span`.
std::pair<double, double> CpuOver(std::chrono::seconds span, pid_t server) {
    const double self = CpuSeconds();
    const double other = ProcessCpuSeconds(server);
    std::this_thread::sleep_for(span);
    return {100 * (CpuSeconds() - self) / span.count(),
            100 * (ProcessCpuSeconds(server) - other) / span.count()};
}

class BusyCore {
public:
    BusyCore() {
        thread_ = std::thread([this] {
            volatile unsigned long n = 0;
            while (!stop_.load(std::memory_order_relaxed))
                n = n + 1;
        });
    }
    ~BusyCore() {
        stop_.store(true);
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Presses of the key tone; the server's recording then shows dropouts (a gap
// inside a held tone) and clicks (a jump in the waveform).
void Presses(PulseServer& server, int bufferFrames, int presses, bool busy) {
    Watch watch;
    SoundOutputOptions options;
    options.bufferFrames = bufferFrames;
    options.tap = [&](const std::int16_t* f, std::size_t n) { watch.Tap(f, n); };
    auto output = CreateSoundOutput(options);
    std::unique_ptr<BusyCore> load;
    if (busy)
        load = std::make_unique<BusyCore>();
    const std::string tok = output->SoundFilePath(kKeyToneFile);
    std::this_thread::sleep_for(300ms);
    Stats on, off;
    // Presses and releases fall at random points of the device's period.
    std::mt19937 random(static_cast<unsigned>(bufferFrames));
    auto jitter = [&] { return std::chrono::microseconds(random() % 25000); };
    const std::size_t mark = server.Frames();
    for (int i = 0; i < presses; ++i) {
        on.Add(watch.Measure(1, [&] {
            output->SetWaveVolume(VolumeOn);
            output->PlaySoundAsync(tok);
        }));
        std::this_thread::sleep_for(110ms + jitter());
        off.Add(watch.Measure(2, [&] { output->SetWaveVolume(VolumeOff); }));
        std::this_thread::sleep_for(90ms + jitter());
    }
    std::this_thread::sleep_for(300ms);
    const auto played = server.Samples(mark, server.Frames());
    const auto sounding = Sounding(played, 0, 40);
    int clicks = 0;
    for (const auto& s : sounding) {
        std::vector<std::int16_t> part(played.begin() + 2 * s.begin,
                                       played.begin() + 2 * std::min(s.end + 8, played.size() / 2));
        clicks += MaxBend(part, 0) > 200 || MaxBend(part, 1) > 200;
    }
    const int dropouts = std::max(0, static_cast<int>(sounding.size()) - presses);
    if (std::getenv("SOUND_BENCH_DETAIL"))
        for (std::size_t i = 1; i < sounding.size(); ++i)
            if (sounding[i].begin - sounding[i - 1].end < 1200)
                std::printf("    gap of %.2f ms after tone %zu at %.1f ms into it (tone of %.1f ms)\n",
                            (sounding[i].begin - sounding[i - 1].end) / 48.0, i - 1,
                            sounding[i - 1].Length() / 48.0,
                            (sounding[i].end - sounding[i - 1].begin) / 48.0);
    const std::vector<std::int16_t> ours(watch.handed.begin(),
                                         watch.handed.begin() +
                                             2 * static_cast<std::ptrdiff_t>(watch.handedFrames.load()));
    const auto handedTones = Sounding(ours, 0, 40);
    std::printf("  buffer %d frames (%.2f ms), %d presses%s:\n", output->BufferFrames(),
                1000.0 * output->BufferFrames() / kOutputRate, presses, busy ? ", other core busy" : "");
    std::printf("    press -> first sounding buffer handed to the device: %s\n", on.Text().c_str());
    std::printf("    release -> level zero handed to the device:          %s\n", off.Text().c_str());
    std::printf(
        "    at the server: %zu tones heard, dropouts %d, clicks %d (handed to the device: %zu tones)\n",
        sounding.size(), dropouts, clicks, handedTones.size());
}

// Press to sound at the server's sink, with the stream running or asleep:
// what sleeping costs the first press after an idle time.
void PressesAtTheSink(PulseServer& server, int presses, bool asleep) {
    SoundOutputOptions options;
    if (!asleep)
        options.parkAfterSeconds = 0;
    auto output = CreateSoundOutput(options);
    const std::string tok = output->SoundFilePath(kKeyToneFile);
    const auto idle = asleep ? std::chrono::duration<double>(options.parkAfterSeconds + 0.5) : 200ms;
    std::mt19937 random(2);
    Stats heard;
    int dropouts = 0;
    for (int i = 0; i < presses; ++i) {
        std::this_thread::sleep_for(idle + std::chrono::microseconds(random() % 25000));
        const std::size_t mark = server.Frames();
        const auto start = Clock::now();
        output->SetWaveVolume(VolumeOn);
        output->PlaySoundAsync(tok);
        std::this_thread::sleep_for(300ms);
        output->SetWaveVolume(VolumeOff);
        std::this_thread::sleep_for(100ms);
        const auto played = server.Samples(mark, server.Frames());
        const auto sounding = Sounding(played, 0, 40);
        heard.Add(sounding.empty() ? -1.0 : Ms(server.ArrivalOf(mark + sounding[0].begin) - start));
        dropouts += std::max(0, static_cast<int>(sounding.size()) - 1);
    }
    std::printf("  press -> tone read from the sink, stream %s (%d presses): %s, dropouts %d\n",
                asleep ? "asleep " : "running", presses, heard.Text().c_str(), dropouts);
}

// CPU over 5 s, less what the bench's own recorder of the sink costs.
struct Cpu {
    PulseServer& server;
    std::pair<double, double> base{0, 0};
    void Print(const char* what) {
        const auto [self, other] = CpuOver(5s, server.Pid());
        std::printf("  %-44s %5.2f %% of a core (server %5.2f %%)\n", what, self - base.first,
                    other - base.second);
    }
};

void IdleCpu(Cpu& cpu) {
    for (int frames : {SoundOutputOptions{}.bufferFrames, 768, 256}) {
        SoundOutputOptions options;
        options.bufferFrames = frames;
        options.parkAfterSeconds = 0;
        auto output = CreateSoundOutput(options);
        std::this_thread::sleep_for(500ms);
        const std::string what = "stream of " + std::to_string(frames) + " frames kept running, silent:";
        cpu.Print(what.c_str());
    }
    SoundOutputOptions options;
    auto output = CreateSoundOutput(options);
    output->SetWaveVolume(VolumeOn);
    output->PlaySoundAsync(output->SoundFilePath(kKeyToneFile));
    output->SetWaveVolume(VolumeOff);
    std::this_thread::sleep_for(std::chrono::duration<double>(options.parkAfterSeconds + 0.5));
    cpu.Print("stream asleep after its idle time:");
}

void SilenceCallback(void*, Uint8* stream, int length) {
    std::fill(stream, stream + length, Uint8{0});
}

// A bare SDL stream for comparison, and what SDL's own pause saves.
void PlainSdlCpu(Cpu& cpu) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return;
    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 256;
    want.callback = SilenceCallback;
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device != 0) {
        SDL_PauseAudioDevice(device, 0);
        std::this_thread::sleep_for(500ms);
        cpu.Print("plain SDL stream of 256 frames:");
        SDL_PauseAudioDevice(device, 1);
        std::this_thread::sleep_for(500ms);
        cpu.Print("the same, paused by SDL_PauseAudioDevice:");
        SDL_CloseAudioDevice(device);
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

} // namespace

// sound_bench [PRESSES [BUFFER...]]: by default 100 presses with the other
// core idle and busy, for the chosen buffer size and for 256 frames.
// sound_bench asleep: 40 presses to the sink, the stream asleep and running.
int main(int argc, char** argv) {
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    std::vector<int> buffers;
    for (int i = 2; i < argc; ++i)
        buffers.push_back(std::atoi(argv[i]));
    PulseServer server;
    if (!server.Start()) {
        std::printf("sound bench: no private PulseAudio server could be started\n");
        return 0;
    }
    std::printf("Sound output, through a private PulseAudio server (pipe sink, 48 kHz):\n");
    if (argc > 1 && std::string(argv[1]) == "asleep") {
        PressesAtTheSink(server, 40, true);
        PressesAtTheSink(server, 40, false);
        return 0;
    }
    if (!buffers.empty()) {
        for (int frames : buffers) {
            Presses(server, frames, presses, false);
            Presses(server, frames, presses, true);
        }
        return 0;
    }
    const int chosen = SoundOutputOptions{}.bufferFrames;
    Presses(server, chosen, presses, false);
    Presses(server, chosen, presses, true);
    Presses(server, 256, presses, false);
    Presses(server, 256, presses, true);
    std::printf("The first press after an idle time (includes the sink's own latency and the pipe):\n");
    PressesAtTheSink(server, 30, false);
    PressesAtTheSink(server, 12, true);

    std::printf("CPU while nothing plays (the recorder's own share taken out):\n");
    Cpu cpu{server};
    cpu.base = CpuOver(5s, server.Pid());
    std::printf("  %-44s %5.2f %% of a core (server %5.2f %%)\n",
                "no stream (recorder alone):", cpu.base.first, cpu.base.second);
    IdleCpu(cpu);
    PlainSdlCpu(cpu);
    return 0;
}
