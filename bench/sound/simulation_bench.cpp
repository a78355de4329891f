// The stream placement against every simulated server shape: over a hundred
// thousand presses in virtual time, with a busy machine's short stalls and
// stalls of 1 to 5 s, each figure as median / p99 / worst beside the floor
// the server allowed.

#include "keying_simulation.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace klavet::simulation;

std::string Text(const Spread& s) {
    char text[48];
    std::snprintf(text, sizeof text, "%6.2f / %6.2f / %6.2f", s.median, s.p99, s.worst);
    return text;
}

void Row(const char* what, const std::string& value) {
    std::printf("    %-40s %s\n", what, value.c_str());
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t presses = argc > 1 ? static_cast<std::size_t>(std::atol(argv[1])) : 17000;
    std::printf("Simulated servers: %zu presses a shape, short stalls every few seconds and one of 1-5 s\n"
                "about every 200 presses; ms as median / p99 / worst, of the presses away from stalls\n",
                presses);
    const auto began = std::chrono::steady_clock::now();
    std::size_t total = 0;
    for (const ServerShape& shape : ServerShapes()) {
        for (bool busy : {false, true}) {
            KeyingRun run;
            run.shape = shape;
            run.presses = presses / 2;
            run.stallEvery = busy ? 200 : 0;
            run.busyMachine = busy;
            run.seed = 2026;
            const KeyingFigures f = RunKeying(run);
            total += f.presses;
            std::printf("  %s, %s: %zu presses, %zu measured, %zu held up by short stalls, %zu long stalls\n",
                        shape.name.c_str(), busy ? "busy machine and stalls" : "steady", f.presses,
                        f.measured, f.heldUp, f.stalls);
            Row("floor: key down -> first frame unread", Text(f.onsetFloor));
            Row("key down -> first sample heard", Text(f.onset));
            Row("onset past its floor", Text(f.onsetOver));
            Row("floor: key up -> first frame unread", Text(f.releaseFloor));
            Row("key up -> tone heard ending", Text(f.release));
            Row("release past its floor", Text(f.releaseOver));
            Row("|heard length - held length|", Text(f.lengthError));
            Row("|heard gap - gap between presses|", Text(f.gapError));
            char counts[160];
            std::snprintf(counts, sizeof counts, "%zu / %zu (over long stalls: %zu / %zu)", f.overtaken,
                          f.gaps, f.overtakenInStalls, f.gapsInStalls);
            Row("overtaken writes / gaps", counts);
            std::snprintf(counts, sizeof counts, "%zu / %zu / %zu", f.stray, f.split, f.unheard);
            Row("stray tones / split / unheard presses", counts);
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::printf("  %zu presses simulated in %.1f s of real time\n", total, seconds);
}
