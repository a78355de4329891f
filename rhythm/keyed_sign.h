#pragma once

// One sign as the learner's key timed it: each judged press (a mark) and the
// rest before it, in milliseconds (a tick of the trainer's timers is one),
// with what the trainer made of it. Plain data; it judges nothing.

#include <string>
#include <vector>

namespace klavet {

struct KeyedSign {
    std::vector<double> marks; // each judged press, in order
    std::string elements;      // "." or "-" for each mark, as the trainer judged it
    std::vector<double> gaps;  // the rest before each mark but the first
    std::string decoded;       // the sign the result field showed for it; empty: none
    std::string expected;      // the sign played just before it was keyed; empty: none
    double calibratedUnitMs = 0; // the unit its presses were judged against
    bool calibrated = false;     // that unit was measured, not the speed field's first value
    bool late = false;           // a press of it was handled late, after a playback: not timed
    bool mixed = false;          // a calibrating press came within it
};

} // namespace klavet
