#include "session_analysis.h"

#include "sign_analysis.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace klavet {

namespace {

constexpr double kDashesShortUnder = 2.5;
constexpr double kDashesLongOver = 3.5;
constexpr double kGapsShortUnder = 0.7;
constexpr double kGapsLongOver = 1.5;
constexpr double kUnevenOver = 0.20;
// A spread is told from this many values on.
constexpr std::size_t kSpreadFrom = 3;

std::optional<double> Median(std::vector<double> values) {
    if (values.empty())
        return std::nullopt;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    if (values.size() % 2 == 1)
        return *middle;
    return (*middle + *std::max_element(values.begin(), middle)) / 2;
}

std::optional<double> Spread(const std::vector<double>& values, std::size_t from) {
    if (values.size() < from)
        return std::nullopt;
    const double mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
    if (mean <= 0)
        return std::nullopt;
    double squares = 0;
    for (double v : values)
        squares += (v - mean) * (v - mean);
    return std::sqrt(squares / static_cast<double>(values.size())) / mean;
}

std::optional<double> Ratio(std::optional<double> over, std::optional<double> under) {
    if (!over || !under || *under <= 0)
        return std::nullopt;
    return *over / *under;
}

// How far past its limit each fault lies, as the log of the ratio, so that
// faults of different kinds compare; the largest is the hint.
Hint LargestFault(const SessionAnalysis& s) {
    Hint hint = Hint::Even;
    double largest = 0;
    const auto consider = [&](std::optional<double> value, double limit, bool under, Hint fault) {
        if (!value || *value <= 0)
            return;
        const double past = under ? std::log(limit / *value) : std::log(*value / limit);
        if (past > largest) {
            largest = past;
            hint = fault;
        }
    };
    consider(s.dashDot, kDashesShortUnder, true, Hint::DashesShort);
    consider(s.dashDot, kDashesLongOver, false, Hint::DashesLong);
    consider(s.gapDot, kGapsShortUnder, true, Hint::GapsShort);
    consider(s.gapDot, kGapsLongOver, false, Hint::GapsLong);
    consider(s.dotSpread, kUnevenOver, false, Hint::DotsUneven);
    consider(s.dashSpread, kUnevenOver, false, Hint::DashesUneven);
    return hint;
}

} // namespace

SessionAnalysis AnalyseSession(const std::deque<KeyedSign>& signs) {
    SessionAnalysis session;
    std::vector<double> dots, dashes, gaps, notes;
    for (auto it = signs.rbegin(); it != signs.rend() && session.signs < static_cast<int>(kSessionSigns); ++it) {
        const auto analysis = AnalyseSign(*it);
        if (!analysis)
            continue;
        ++session.signs;
        for (std::size_t i = 0; i < it->marks.size(); ++i)
            (analysis->pattern[i] == '-' ? dashes : dots).push_back(it->marks[i]);
        gaps.insert(gaps.end(), it->gaps.begin(), it->gaps.end());
        if (analysis->note)
            notes.push_back(*analysis->note);
    }
    const auto dot = Median(dots);
    session.dashDot = Ratio(Median(dashes), dot);
    session.gapDot = Ratio(Median(gaps), dot);
    session.dotSpread = Spread(dots, kSpreadFrom);
    session.dashSpread = Spread(dashes, kSpreadFrom);
    if (!notes.empty())
        session.meanNote = std::accumulate(notes.begin(), notes.end(), 0.0) / static_cast<double>(notes.size());
    if (session.dashDot || session.gapDot || session.dotSpread || session.dashSpread)
        session.hint = LargestFault(session);
    return session;
}

CalibrationAnalysis AnalyseCalibration(const std::vector<double>& presses) {
    CalibrationAnalysis calibration;
    calibration.presses = static_cast<int>(presses.size());
    if (presses.empty())
        return calibration;
    const double mean = std::accumulate(presses.begin(), presses.end(), 0.0) / static_cast<double>(presses.size());
    if (mean > 0)
        calibration.unitMs = mean;
    calibration.spread = Spread(presses, 2);
    calibration.irregular = calibration.spread && *calibration.spread > kUnevenOver;
    return calibration;
}

} // namespace klavet
