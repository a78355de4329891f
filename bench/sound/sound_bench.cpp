// Figures of the sound output beside a bare SDL2 stream of 256 frames playing
// the same tone gated the same way, on a private PulseAudio server and on a
// private PipeWire server, both recorded at a pipe sink (timed on PipeWire by
// the graph's own clock): key event to the first sample at the sink, release
// to silence, dropouts and clicks with the other core busy, the first press
// after 5 s of idle, and the idle CPU of the whole trainer program.
//
// `sound_bench validate` instead checks the recording's timing: separate
// launches of each client must measure alike, and on PipeWire the
// recording's times must lie a constant distance from the graph's clock.
// Prints; asserts nothing.

#include "bare_sdl_stream.h"
#include "child_process.h"
#include "sound_measures.h"
#include "sound_output.h"
#include "sound_server.h"
#include "trainer_idle_cpu.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

using namespace klavet;
using namespace klavet::bench;
using namespace klavet::testing;
using MonotonicClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr float kOnGain = 30000.0f / 65535.0f;

// What is measured: a key that goes down (tone from its start) and up.
struct Keyed {
    std::function<void()> down;
    std::function<void()> up;
};

struct Stats {
    std::vector<double> values;
    double At(double share) {
        std::sort(values.begin(), values.end());
        return values[std::min(values.size() - 1, static_cast<std::size_t>(share * values.size()))];
    }
    // Median, p90 and worst by default.
    std::string Text(double low = 0.5, double middle = 0.9, double high = 1.0) {
        if (values.empty())
            return "none";
        char text[96];
        std::snprintf(text, sizeof text, "%6.2f / %6.2f / %6.2f", At(low), At(middle), At(high));
        return text;
    }
    std::string Spread() { return Text(0.0, 0.5, 1.0); }
};

MonotonicClock::duration FramesToTime(std::size_t frames) {
    return std::chrono::duration_cast<MonotonicClock::duration>(std::chrono::duration<double>(frames / 48000.0));
}

double Ms(MonotonicClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The sink's clock around some frames: frame f of the recording is due at
// origin + f / rate. The pipe sink wakes when a block is due and writes it at
// once, at times in more than one piece; so only a read that begins a wake
// (one that came a while after the read before it) tells when its first
// frame was due, and the origin is fixed by the earliest of those among the
// frames. It is drawn anew around each tone, half a second either side, so
// that frames the recording may have lost elsewhere do not shift it. How late
// the reads came after that shows whether the recording kept real time.
struct SinkClock {
    // Reads further apart than this belong to separate wakes of the sink.
    static constexpr auto kWakeGap = 300us;
    MonotonicClock::time_point origin = MonotonicClock::time_point::max();
    Stats lateness;
    SinkClock(const FifoRecorder& recorder, std::size_t from, std::size_t to) {
        const auto reads = recorder.Reads(from, to);
        std::vector<std::pair<std::size_t, MonotonicClock::time_point>> wakes;
        for (std::size_t i = 1; i < reads.size(); ++i)
            if (reads[i].second - reads[i - 1].second > kWakeGap)
                wakes.push_back(reads[i]);
        // A recording that stopped has no wake to go by: its reads will do.
        if (wakes.empty())
            wakes = reads;
        if (wakes.empty()) {
            origin = MonotonicClock::time_point{};
            return;
        }
        for (const auto& [f, arrival] : wakes)
            origin = std::min(origin, arrival - FramesToTime(f));
        for (const auto& [f, arrival] : wakes)
            lateness.values.push_back(Ms(arrival - Due(f)));
    }
    MonotonicClock::time_point Due(std::size_t frame) const { return origin + FramesToTime(frame); }
};

// What the sink heard of a series of presses, each press paired with the
// tones that began between its key down and the next one; of the presses
// missed, split or clicked, those over which the server says it ran late;
// and how the recording's timing held (see DueTones).
struct Heard {
    Stats onset, release, lateness, offClock;
    int presses = 0, missed = 0, dropouts = 0, clicks = 0, serverLate = 0;
};

// A tone of the recording, with when its first and last frames were due.
struct DueTone {
    Segment frames;
    MonotonicClock::time_point begin, end;
};

// When each tone was played: by the server's own clock where it keeps one
// (PipeWire's graph), else by the sink's clock drawn from the recording. The
// sink's clock slips by a period wherever the sink lost one, so where both
// are known, how far it lies from the server's is kept, as a check.
std::vector<DueTone> DueTones(const SoundServer& server, std::size_t mark, std::size_t end,
                              const std::vector<Segment>& tones, Heard& heard) {
    const FifoRecorder& recorder = server.Recorder();
    std::vector<DueTone> due;
    for (const auto& tone : tones) {
        const std::size_t at = mark + tone.begin;
        const SinkClock sink(recorder, std::max(mark, at - std::min<std::size_t>(at, 24000)),
                             std::min(end, at + 24000));
        heard.lateness.values.insert(heard.lateness.values.end(), sink.lateness.values.begin(),
                                     sink.lateness.values.end());
        DueTone one{tone, sink.Due(at), sink.Due(mark + tone.end)};
        const auto begin = server.PlayedAt(at);
        const auto finish = server.PlayedAt(mark + tone.end);
        if (begin && finish) {
            heard.offClock.values.push_back(Ms(one.begin - *begin));
            one.begin = *begin;
            one.end = *finish;
        }
        due.push_back(one);
    }
    return due;
}

Heard Pair(const SoundServer& server, std::size_t mark, const std::vector<MonotonicClock::time_point>& downs,
           const std::vector<MonotonicClock::time_point>& ups) {
    const FifoRecorder& recorder = server.Recorder();
    Heard heard;
    heard.presses = static_cast<int>(downs.size());
    const std::size_t end = recorder.Frames();
    const auto played = recorder.Samples(mark, end);
    const auto tones = DueTones(server, mark, end, Sounding(played, 0, 40), heard);
    std::size_t next = 0;
    for (std::size_t i = 0; i < downs.size(); ++i) {
        const auto until = i + 1 < downs.size() ? downs[i + 1] : ups[i] + 1s;
        while (next < tones.size() && tones[next].begin < downs[i])
            ++next;
        std::vector<DueTone> mine;
        for (; next < tones.size() && tones[next].begin < until; ++next)
            mine.push_back(tones[next]);
        const auto late = [&] { return server.RanLate(downs[i] - 50ms, until); };
        if (mine.empty()) {
            ++heard.missed;
            heard.serverLate += late();
            continue;
        }
        heard.dropouts += static_cast<int>(mine.size()) - 1;
        heard.onset.values.push_back(Ms(mine.front().begin - downs[i]));
        heard.release.values.push_back(Ms(mine.back().end - ups[i]));
        const auto from = played.begin() + 2 * static_cast<std::ptrdiff_t>(mine.front().frames.begin);
        const auto to = played.begin() +
                        2 * static_cast<std::ptrdiff_t>(std::min(mine.back().frames.end + 8, end - mark));
        const std::vector<std::int16_t> part(from, to);
        const bool click = MaxBend(part, 0) > 200 || MaxBend(part, 1) > 200;
        heard.clicks += click;
        if (click || mine.size() > 1)
            heard.serverLate += late();
    }
    return heard;
}

// Presses of 110 to 135 ms, 90 to 115 ms apart.
Heard Presses(SoundServer& server, const Keyed& key, int presses, bool busy) {
    pid_t load = busy ? Spawn({"sh", "-c", "while :; do :; done"}, EnvironmentWith({}), "/dev/null") : -1;
    std::mt19937 random(7);
    std::this_thread::sleep_for(300ms);
    const std::size_t mark = server.Recorder().Frames();
    std::vector<MonotonicClock::time_point> downs, ups;
    for (int i = 0; i < presses; ++i) {
        downs.push_back(MonotonicClock::now());
        key.down();
        std::this_thread::sleep_for(110ms + std::chrono::microseconds(random() % 25000));
        ups.push_back(MonotonicClock::now());
        key.up();
        std::this_thread::sleep_for(90ms + std::chrono::microseconds(random() % 25000));
    }
    std::this_thread::sleep_for(500ms);
    KillChild(load);
    return Pair(server, mark, downs, ups);
}

// Presses of 200 ms, each after 5 s of idle.
Heard AfterIdle(SoundServer& server, const Keyed& key, int presses) {
    Heard all;
    for (int i = 0; i < presses; ++i) {
        std::this_thread::sleep_for(5s);
        const std::size_t mark = server.Recorder().Frames();
        const auto down = MonotonicClock::now();
        key.down();
        std::this_thread::sleep_for(200ms);
        const auto up = MonotonicClock::now();
        key.up();
        std::this_thread::sleep_for(300ms);
        const Heard one = Pair(server, mark, {down}, {up});
        all.presses += one.presses;
        all.missed += one.missed;
        all.dropouts += one.dropouts;
        all.clicks += one.clicks;
        all.serverLate += one.serverLate;
        all.onset.values.insert(all.onset.values.end(), one.onset.values.begin(), one.onset.values.end());
    }
    return all;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double OwnIdleCpuPercent() {
    const double before = CpuSeconds();
    std::this_thread::sleep_for(10s);
    return 10.0 * (CpuSeconds() - before);
}

// One client's figures on one server.
struct Figures {
    Heard quiet, busy, idle;
    double idleCpu = -1;
};

std::string Directory() {
    return std::filesystem::canonical("/proc/self/exe").parent_path().string();
}

std::unique_ptr<SoundOutput> OpenTrainerOutput() {
    SoundOutputOptions options;
    options.backend = SoundBackend::Pulse;
    auto output = CreateSoundOutput(options);
    while (!output->Streaming())
        std::this_thread::sleep_for(10ms);
    // The device learns the server's clock in its first fraction of a second.
    std::this_thread::sleep_for(1s);
    return output;
}

Keyed TrainerKey(SoundOutput& output) {
    const std::string tok = output.SoundFilePath(kKeyToneFile);
    return {[&output, tok] {
                output.SetWaveVolume(VolumeOn);
                output.PlaySoundAsync(tok);
            },
            [&output] { output.SetWaveVolume(VolumeOff); }};
}

Figures MeasureTrainer(SoundServer& server, int presses, int idlePresses) {
    Figures figures;
    {
        auto output = OpenTrainerOutput();
        const Keyed key = TrainerKey(*output);
        figures.quiet = Presses(server, key, presses, false);
        figures.busy = Presses(server, key, presses, true);
        figures.idle = AfterIdle(server, key, idlePresses);
    }
    figures.idleCpu = TrainerIdleCpuPercent(Directory() + "/klavet", 20.0);
    return figures;
}

Figures MeasureBare(SoundServer& server, int presses, int idlePresses, double recorderCpu) {
    Figures figures;
    BareSdlStream bare(Directory() + std::string(kKeyToneFile), kOnGain);
    if (!bare.Open())
        return figures;
    const Keyed key{[&] { bare.Down(); }, [&] { bare.Up(); }};
    figures.quiet = Presses(server, key, presses, false);
    figures.busy = Presses(server, key, presses, true);
    figures.idle = AfterIdle(server, key, idlePresses);
    figures.idleCpu = OwnIdleCpuPercent() - recorderCpu;
    return figures;
}

void Row(const char* name, const std::string& trainer, const std::string& bare) {
    std::printf("  %-44s %-28s %-28s\n", name, trainer.c_str(), bare.c_str());
}

std::string Counts(const Heard& h) {
    char text[96];
    std::snprintf(text, sizeof text, "%d/%d/%d/%d of %d (%d)", h.missed, h.dropouts, h.clicks,
                  static_cast<int>(h.onset.values.size()), h.presses, h.serverLate);
    return text;
}

std::string Percent(double value) {
    char text[32];
    std::snprintf(text, sizeof text, value < 0 ? "not measured" : "%.3f %%", value);
    return text;
}

void Print(const char* server, Figures& k, Figures& b) {
    std::printf("%s (pipe sink, 48 kHz); times in ms as median / p90 / worst\n", server);
    Row("", "klavet", "bare SDL, 256 frames");
    Row("key down -> first sample at the sink", k.quiet.onset.Text(), b.quiet.onset.Text());
    Row("key up -> silence at the sink", k.quiet.release.Text(), b.quiet.release.Text());
    // In brackets: of the presses missed, split or clicked, those over which
    // the server said it ran late (PipeWire only).
    Row("missed/dropouts/clicks/heard (server late)", Counts(k.quiet), Counts(b.quiet));
    Row("other core busy: key down -> first sample", k.busy.onset.Text(), b.busy.onset.Text());
    Row("other core busy: key up -> silence", k.busy.release.Text(), b.busy.release.Text());
    Row("other core busy: missed/dropouts/clicks/heard", Counts(k.busy), Counts(b.busy));
    Row("first press after 5 s idle: key down -> sound", k.idle.onset.Text(), b.idle.onset.Text());
    Row("after idle: missed/dropouts/clicks/heard", Counts(k.idle), Counts(b.idle));
    Row("idle CPU, % of a core", Percent(k.idleCpu) + " (program)", Percent(b.idleCpu) + " (stream)");
    Row("sink reads after due (recording timing)", k.quiet.lateness.Text(), b.quiet.lateness.Text());
    Row("recording less server's clock, min/median/max", k.quiet.offClock.Spread(),
        b.quiet.offClock.Spread());
}

void Measure(const std::string& kind, int presses, int idlePresses) {
    auto server = MakeSoundServer(kind, PipeWirePeriods::AsClientsAsk);
    if (!server->Start()) {
        std::printf("%s: could not be started\n", kind.c_str());
        return;
    }
    std::this_thread::sleep_for(1s);
    const double recorderCpu = OwnIdleCpuPercent();
    Figures trainer = MeasureTrainer(*server, presses, idlePresses);
    Figures bare = MeasureBare(*server, presses, idlePresses, recorderCpu);
    Print(server->Name(), trainer, bare);
    std::fflush(stdout);
}

// Launches of each client, one after the other on one server, 20 presses
// each: a recording whose timing holds measures each client alike at every
// launch.
void Validate(const std::string& kind, int launches) {
    auto server = MakeSoundServer(kind, PipeWirePeriods::AsClientsAsk);
    if (!server->Start()) {
        std::printf("%s: could not be started\n", kind.c_str());
        return;
    }
    std::printf("%s: median onset / release of 20 presses at each launch, ms\n", server->Name());
    for (int i = 0; i < launches; ++i) {
        Heard k, b;
        {
            auto output = OpenTrainerOutput();
            k = Presses(*server, TrainerKey(*output), 20, false);
        }
        {
            BareSdlStream bare(Directory() + std::string(kKeyToneFile), kOnGain);
            if (bare.Open())
                b = Presses(*server, {[&] { bare.Down(); }, [&] { bare.Up(); }}, 20, false);
        }
        std::printf("  launch %d: klavet %6.2f / %6.2f   bare SDL %6.2f / %6.2f   (reads after due: p90 "
                    "%.2f, %.2f)\n",
                    i + 1, k.onset.values.empty() ? 0 : k.onset.At(0.5),
                    k.release.values.empty() ? 0 : k.release.At(0.5),
                    b.onset.values.empty() ? 0 : b.onset.At(0.5),
                    b.release.values.empty() ? 0 : b.release.At(0.5), k.lateness.At(0.9), b.lateness.At(0.9));
        if (!k.offClock.values.empty() || !b.offClock.values.empty())
            std::printf("            recording less the server's clock at tone starts, min / median / max:"
                        " klavet %s   bare SDL %s\n",
                        k.offClock.Spread().c_str(), b.offClock.Spread().c_str());
        std::fflush(stdout);
    }
}

} // namespace

// sound_bench [PRESSES [IDLE_PRESSES [SERVER...]]]: 200 presses and 5 presses
// after idle by default, on pulseaudio and pipewire.
// sound_bench validate [LAUNCHES [SERVER...]]: 3 launches by default.
int main(int argc, char** argv) {
    const bool validate = argc > 1 && std::string(argv[1]) == "validate";
    const int first = validate ? 2 : 1;
    const int count = argc > first ? std::max(1, std::atoi(argv[first])) : (validate ? 3 : 200);
    const int idlePresses = !validate && argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::vector<std::string> servers;
    for (int i = 3; i < argc; ++i)
        servers.push_back(argv[i]);
    if (servers.empty())
        servers = {"pulseaudio", "pipewire"};
    for (const auto& kind : servers) {
        if (validate)
            Validate(kind, count);
        else
            Measure(kind, count, idlePresses);
    }
    return 0;
}
