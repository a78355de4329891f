#pragma once

// How the learner has been sending over the latest signs, and over the
// calibrating presses: ratios, spreads and the one fault most worth working
// on. Pure arithmetic on the record's signs; it words nothing.

#include "keyed_sign.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

namespace klavet {

// The largest fault of the latest signs, or none.
enum class Hint {
    Even,         // none of the faults below
    DashesShort,  // dash:dot under 2.5
    DashesLong,   // over 3.5
    GapsShort,    // inner gap:dot under 0.7
    GapsLong,     // over 1.5
    DotsUneven,   // spread of the dots over 20 %
    DashesUneven, // of the dashes
};

struct SessionAnalysis {
    int signs = 0; // signs the figures are taken over
    std::optional<double> dashDot;    // median dash over median dot; ideal 3
    std::optional<double> gapDot;     // median inner gap over median dot; ideal 1
    std::optional<double> dotSpread;  // standard deviation over mean
    std::optional<double> dashSpread;
    std::optional<double> meanNote;
    std::optional<Hint> hint; // none while too little has been keyed to tell
};

// Over the latest kSessionSigns of `signs` that can be judged.
inline constexpr std::size_t kSessionSigns = 20;
SessionAnalysis AnalyseSession(const std::deque<KeyedSign>& signs);

struct CalibrationAnalysis {
    int presses = 0;
    std::optional<double> unitMs; // their mean: the dot they keyed
    std::optional<double> spread; // standard deviation over mean, from two presses on
    bool irregular = false;       // spread over 20 %
};

CalibrationAnalysis AnalyseCalibration(const std::vector<double>& presses);

} // namespace klavet
