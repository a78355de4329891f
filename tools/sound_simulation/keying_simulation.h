#pragma once

// A learner keying against a simulated server, in virtual time: seeded
// presses of every length and gap go to the mixer as the trainer sends them
// (the tone's volume on and the tone started, the volume off), the stream
// placement writes them, and what the server plays is measured against
// what it allowed. Thousands of presses take a fraction of a second.

#include "simulated_server.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace klavet::simulation {

struct KeyingRun {
    ServerShape shape;
    std::uint32_t seed = 1;
    std::size_t presses = 1000;
    // Stalls of the whole server, 1 to 5 s, one about every this many
    // presses; 0 for none.
    std::size_t stallEvery = 0;
    // Short stalls, 10 to 150 ms every few seconds: a busy machine.
    bool busyMachine = true;
};

// Milliseconds, of the presses kept in the figures.
struct Spread {
    double median = 0;
    double p99 = 0;
    double worst = 0;
};

struct KeyingFigures {
    std::size_t presses = 0;  // pressed
    std::size_t measured = 0; // kept in the figures: no edge near a long stall
    std::size_t heldUp = 0;   // left out: a short stall fell in, or a second or less before
    // Key edge to the first sample heard, and the floor: the edge to the
    // first frame the server had not read, or could still take back, then.
    Spread onset, onsetFloor;
    Spread release, releaseFloor;
    // Onset and release past their floors.
    Spread onsetOver, releaseOver;
    // Heard length less held length, as an absolute value; and the same of
    // the silence before a press, after a press that was kept too.
    Spread lengthError, gapError;
    // Writes the reader overtook, and frames it read that were never
    // written, away from the long stalls; and over them.
    std::size_t overtaken = 0, gaps = 0;
    std::size_t overtakenInStalls = 0, gapsInStalls = 0;
    // Tones heard with no key held, or more than one tone for a press; and
    // presses that were never heard, away from the long stalls.
    std::size_t stray = 0, split = 0, unheard = 0;
    std::size_t stalls = 0;
};

KeyingFigures RunKeying(const KeyingRun& run);

// The shapes of server every run is proven against.
std::vector<ServerShape> ServerShapes();

} // namespace klavet::simulation
