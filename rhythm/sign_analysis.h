#pragma once

// How well one keyed sign was sent: each mark and inner gap against the ideal
// pattern, at the learner's own speed in that sign, and the sign's note. Pure
// arithmetic on a KeyedSign; it draws and words nothing.

#include "keyed_sign.h"

#include <optional>
#include <string>
#include <vector>

namespace klavet {

// How close a mark or gap came to its ideal length.
enum class Fit {
    Close, // within 15 %
    Off,   // within 33 %
    Far,   // beyond
};

struct Judged {
    double ms = 0;
    double units = 0;      // in the sign's own unit
    double idealUnits = 0; // 1 for a dot or a gap, 3 for a dash
    Fit fit = Fit::Close;
};

struct SignAnalysis {
    std::string pattern;     // the ideal: the decoded sign's code, else the keyed elements
    double unitMs = 0;       // the unit that fits the sign best
    std::vector<Judged> marks;
    std::vector<Judged> gaps; // before each mark but the first
    // Marks within 10 % of the dot/dash boundary (1.8 calibrated units).
    std::vector<bool> ambiguous;
    std::optional<int> note; // none for a sign of one element
};

// Nothing for a sign with no mark, or one that was not timed throughout (a
// press handled late, a calibrating press within it).
std::optional<SignAnalysis> AnalyseSign(const KeyedSign& sign);

// How close `measured` came to `ideal`.
Fit FitOf(double measured, double ideal);

// The PARIS speed of a unit, in words per minute.
double WordsPerMinute(double unitMs);

// The dot/dash boundary of a calibrated unit, in ms.
double DashBoundaryMs(double calibratedUnitMs);

} // namespace klavet
