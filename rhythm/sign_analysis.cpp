#include "sign_analysis.h"

#include "sign_table.h"

#include <cmath>

namespace klavet {

namespace {

constexpr double kCloseWithin = 0.15;
constexpr double kOffWithin = 0.33;
constexpr double kAmbiguousWithin = 0.10;
// A gap shorter than its ideal counts this many times in the note's mean:
// short gaps run elements together and hurt copy far more than long ones.
constexpr double kShortGapWeight = 2;
constexpr double kNoteSteepness = 0.75;

// The decoded sign's code where it has as many elements as were keyed; else
// what the trainer judged each press to be.
std::string IdealPattern(const KeyedSign& sign) {
    if (const SignEntry* entry = FindBySign(sign.decoded); entry && entry->Code.size() == sign.marks.size())
        return std::string(entry->Code);
    return sign.elements;
}

} // namespace

Fit FitOf(double measured, double ideal) {
    const double off = ideal > 0 ? std::abs(measured / ideal - 1) : 1;
    return off <= kCloseWithin ? Fit::Close : off <= kOffWithin ? Fit::Off : Fit::Far;
}

double WordsPerMinute(double unitMs) {
    return 1200 / unitMs;
}

double DashBoundaryMs(double calibratedUnitMs) {
    return 1.8 * calibratedUnitMs;
}

std::optional<SignAnalysis> AnalyseSign(const KeyedSign& sign) {
    if (sign.marks.empty() || sign.late || sign.mixed || sign.gaps.size() + 1 != sign.marks.size())
        return std::nullopt;
    SignAnalysis analysis;
    analysis.pattern = IdealPattern(sign);
    double measured = 0;
    double ideal = 0;
    for (std::size_t i = 0; i < sign.marks.size(); ++i) {
        measured += sign.marks[i];
        ideal += analysis.pattern[i] == '-' ? 3 : 1;
    }
    for (double gap : sign.gaps) {
        measured += gap;
        ideal += 1;
    }
    // A sign of presses of no length (a unit of zero ticks) fits no unit.
    if (measured <= 0)
        return std::nullopt;
    analysis.unitMs = measured / ideal;

    double error = 0;
    double weights = 0;
    const auto judge = [&](double ms, double idealUnits, bool gap) {
        const double idealMs = idealUnits * analysis.unitMs;
        const double weight = gap && ms < idealMs ? kShortGapWeight : 1;
        // A press or rest of no length is as far off as can be told.
        error += weight * std::abs(std::log(std::max(ms, 0.5) / idealMs));
        weights += weight;
        return Judged{ms, ms / analysis.unitMs, idealUnits, FitOf(ms, idealMs)};
    };
    for (std::size_t i = 0; i < sign.marks.size(); ++i) {
        analysis.marks.push_back(judge(sign.marks[i], analysis.pattern[i] == '-' ? 3 : 1, false));
        const double boundary = DashBoundaryMs(sign.calibratedUnitMs);
        analysis.ambiguous.push_back(boundary > 0 &&
                                     std::abs(sign.marks[i] - boundary) <= kAmbiguousWithin * boundary);
    }
    for (double gap : sign.gaps)
        analysis.gaps.push_back(judge(gap, 1, true));
    if (sign.marks.size() > 1)
        analysis.note = static_cast<int>(std::lround(100 * std::exp(-kNoteSteepness * error / weights)));
    return analysis;
}

} // namespace klavet
