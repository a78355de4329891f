// Figures of the serial-port key's watcher: presses of 30 to 500 ms whose
// contact bounces at both ends are played in real time through the scripted
// stand-in for the modem-line calls, and each press the watcher hands on is
// compared with the contact's own: the error of its first edge's time stamp
// and of its length. Prints; asserts nothing.

#include "scripted_modem_port.h"
#include "serial_key_watcher.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <random>
#include <vector>

using namespace klavet;
using namespace klavet::testing;
using namespace std::chrono_literals;
using Step = ScriptedModemPort::Step;

namespace {

constexpr int kPressesMs[] = {30, 40, 50, 60, 80, 100, 120, 150, 200, 250, 300, 400, 500};
constexpr int kRounds = 2;

double Ms(std::chrono::nanoseconds d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Bounces of a contact closing or opening at `at`: a few edges within 1.5 ms,
// ending in the new state.
void Bounce(std::vector<Step>& script, std::chrono::nanoseconds at, InputLines settled,
            std::mt19937& random) {
    std::uniform_int_distribution<int> edges(1, 3);
    std::uniform_int_distribution<int> gapUs(100, 500);
    auto t = at;
    for (int i = edges(random); i > 0; --i) {
        script.push_back(ScriptedModemPort::Lines(t, settled));
        t += std::chrono::microseconds(gapUs(random));
        script.push_back(ScriptedModemPort::Lines(t, settled ^ kCts));
        t += std::chrono::microseconds(gapUs(random));
    }
    script.push_back(ScriptedModemPort::Lines(t, settled));
}

struct Figures {
    double worst = 0;
    double median = 0;
};

Figures Of(std::vector<double> errors) {
    if (errors.empty())
        return {};
    std::sort(errors.begin(), errors.end(), [](double a, double b) { return std::abs(a) < std::abs(b); });
    return {std::abs(errors.back()), errors[errors.size() / 2]};
}

} // namespace

int main() {
    std::mt19937 random(11);
    std::vector<Step> script;
    std::vector<std::pair<std::chrono::nanoseconds, std::chrono::nanoseconds>> presses;
    auto t = std::chrono::nanoseconds(200ms);
    for (int round = 0; round < kRounds; ++round) {
        for (int ms : kPressesMs) {
            const auto up = t + std::chrono::milliseconds(ms);
            Bounce(script, t, kCts, random);
            Bounce(script, up, 0, random);
            presses.emplace_back(t, up);
            t = up + 150ms;
        }
    }

    auto owned = std::make_unique<ScriptedModemPort>(script);
    ScriptedModemPort* port = owned.get();
    std::mutex mutex;
    std::vector<std::pair<bool, std::chrono::nanoseconds>> handed;
    SteadyClock clock;
    {
        SerialKeyWatcher watcher(
            "bench", std::move(owned), clock,
            [&](bool closed, SteadyTime at) {
                std::lock_guard<std::mutex> lock(mutex);
                handed.emplace_back(closed, at - port->Start());
            },
            [](const SerialKeyWatcher::News&) {});
        port->WaitUntilPlayed(60s);
    }

    std::vector<double> stampErrors;
    std::vector<double> lengthErrors;
    const std::size_t measured = std::min(presses.size(), handed.size() / 2);
    for (std::size_t i = 0; i < measured; ++i) {
        const auto [down, up] = presses[i];
        const auto downAt = handed[2 * i].second;
        const auto upAt = handed[2 * i + 1].second;
        stampErrors.push_back(Ms(downAt - down));
        stampErrors.push_back(Ms(upAt - up));
        lengthErrors.push_back(Ms((upAt - downAt) - (up - down)));
    }
    const Figures stamps = Of(stampErrors);
    const Figures lengths = Of(lengthErrors);
    std::printf("\nSerial-port key watcher (scripted port in real time, contact bouncing 1 to 3 times\n"
                "within 1.5 ms at each edge, presses of 30 to 500 ms, settling time 2 ms)\n");
    std::printf("  presses played / handed on as presses       %10zu / %zu\n", presses.size(),
                handed.size() / 2);
    std::printf("  time stamp - first edge, worst |ms|         %10.3f\n", stamps.worst);
    std::printf("  time stamp - first edge, median ms          %10.3f\n", stamps.median);
    std::printf("  press length - contact's, worst |ms| (goal <= 1) %5.3f\n", lengths.worst);
    std::printf("  press length - contact's, median ms         %10.3f\n", lengths.median);
    std::printf("  presses within 1 ms of the contact's        %10zu / %zu\n",
                static_cast<std::size_t>(std::count_if(lengthErrors.begin(), lengthErrors.end(),
                                                       [](double e) { return std::abs(e) <= 1.0; })),
                lengthErrors.size());
    return 0;
}
