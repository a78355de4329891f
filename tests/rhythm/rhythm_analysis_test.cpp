// Worked examples a reader can check by hand, and the bounds of the note.

#include "session_analysis.h"
#include "sign_analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace klavet {
namespace {

// A sign keyed at a calibrated unit of 100 ms.
KeyedSign Keyed(const std::string& elements, std::vector<double> marks, std::vector<double> gaps,
                const std::string& decoded) {
    KeyedSign sign;
    sign.elements = elements;
    sign.marks = std::move(marks);
    sign.gaps = std::move(gaps);
    sign.decoded = decoded;
    sign.calibratedUnitMs = 100;
    sign.calibrated = true;
    return sign;
}

TEST(SignAnalysis, EvenKIsNoteHundredAtItsOwnUnitAndShortDashesCostFifteen) {
    // Dash 300, dot 100, dash 300, gaps 100: 900 ms over 9 units.
    const auto even = AnalyseSign(Keyed("-.-", {300, 100, 300}, {100, 100}, "K"));
    ASSERT_TRUE(even);
    EXPECT_EQ(even->pattern, "-.-");
    EXPECT_DOUBLE_EQ(even->unitMs, 100);
    EXPECT_DOUBLE_EQ(WordsPerMinute(even->unitMs), 12);
    EXPECT_DOUBLE_EQ(even->marks[0].units, 3);
    EXPECT_DOUBLE_EQ(even->marks[1].units, 1);
    EXPECT_DOUBLE_EQ(even->gaps[0].units, 1);
    EXPECT_EQ(even->note, 100);
    for (const Judged& j : even->marks)
        EXPECT_EQ(j.fit, Fit::Close);

    // Dashes of 200: 700 ms over 9 units, a unit of 77.8 ms. Dashes 2.57
    // units (14 % short of 3), dot and gaps 1.29 (29 % long). e: 0.154 twice,
    // 0.251 three times, mean 0.212; note 100 exp(-0.159) = 85.
    const auto shortDashes = AnalyseSign(Keyed("-.-", {200, 100, 200}, {100, 100}, "K"));
    ASSERT_TRUE(shortDashes);
    EXPECT_NEAR(shortDashes->unitMs, 77.78, 0.01);
    EXPECT_NEAR(shortDashes->marks[0].units, 2.57, 0.01);
    EXPECT_NEAR(shortDashes->marks[1].units, 1.29, 0.01);
    EXPECT_EQ(shortDashes->marks[0].fit, Fit::Close);
    EXPECT_EQ(shortDashes->marks[1].fit, Fit::Off);
    EXPECT_EQ(shortDashes->note, 85);
}

TEST(SignAnalysis, ShortGapsCountTwiceAndOneElementHasNoNote) {
    // A: dot 100, dash 300, gap 50; 450 ms over 5 units, unit 90. Marks e =
    // ln(100/90) = 0.105 and ln(300/270) = 0.105, the short gap ln(90/50) =
    // 0.588 twice: mean 0.347, note 77. Counted once it would be 82.
    const auto a = AnalyseSign(Keyed(".-", {100, 300}, {50}, "A"));
    ASSERT_TRUE(a);
    EXPECT_DOUBLE_EQ(a->unitMs, 90);
    EXPECT_EQ(a->note, 77);
    EXPECT_EQ(a->gaps[0].fit, Fit::Far);

    const auto t = AnalyseSign(Keyed("-", {250}, {}, "T"));
    ASSERT_TRUE(t);
    EXPECT_NEAR(t->unitMs, 83.33, 0.01);
    EXPECT_FALSE(t->note);
}

TEST(SignAnalysis, PatternIsTheDecodedCodeElseWhatWasKeyedAndUntimedSignsAreNotJudged) {
    // Decoded as nothing (seven presses: the seventh fits no slot).
    const auto seven =
        AnalyseSign(Keyed("......-", {100, 100, 100, 100, 100, 100, 300}, {100, 100, 100, 100, 100, 100}, ""));
    ASSERT_TRUE(seven);
    EXPECT_EQ(seven->pattern, "......-");
    // A press of 180 ms at a unit of 100 is within 10 % of the boundary.
    const auto close = AnalyseSign(Keyed(".-", {100, 175}, {100}, "A"));
    ASSERT_TRUE(close);
    EXPECT_EQ(close->ambiguous, (std::vector<bool>{false, true}));

    KeyedSign late = Keyed("-.-", {300, 100, 300}, {100, 100}, "K");
    late.late = true;
    EXPECT_FALSE(AnalyseSign(late));
    KeyedSign mixed = late;
    mixed.late = false;
    mixed.mixed = true;
    EXPECT_FALSE(AnalyseSign(mixed));
    EXPECT_FALSE(AnalyseSign(KeyedSign{}));
}

// Whatever the lengths (a press of no length, of 40 s, a unit of 1 tick or
// of 32767), the note is a whole number from 0 to 100 and the unit a
// positive length; only a sign of no length at all fits no unit.
TEST(SignAnalysis, NoteStaysWithinItsBoundsForAnyLengths) {
    std::mt19937 random(11);
    const std::vector<double> lengths = {0, 1, 7, 100, 333, 2000, 40000, 32767};
    for (int run = 0; run < 20000; ++run) {
        const std::size_t n = 1 + random() % 6;
        KeyedSign sign;
        for (std::size_t i = 0; i < n; ++i) {
            sign.marks.push_back(lengths[random() % lengths.size()] + random() % 50);
            sign.elements += random() % 2 ? '.' : '-';
            if (i > 0)
                sign.gaps.push_back(lengths[random() % lengths.size()]);
        }
        sign.calibratedUnitMs = static_cast<double>(random() % 32768);
        const auto analysis = AnalyseSign(sign);
        const bool anyLength = std::any_of(sign.marks.begin(), sign.marks.end(), [](double ms) { return ms > 0; }) ||
                               std::any_of(sign.gaps.begin(), sign.gaps.end(), [](double ms) { return ms > 0; });
        ASSERT_EQ(analysis.has_value(), anyLength) << "run " << run;
        if (!analysis)
            continue;
        ASSERT_GT(analysis->unitMs, 0);
        if (analysis->note) {
            ASSERT_GE(*analysis->note, 0);
            ASSERT_LE(*analysis->note, 100);
        }
    }
}

TEST(SessionAnalysis, RatiosSpreadsAndTheLargestFaultOverTheLatestSigns) {
    std::deque<KeyedSign> signs;
    EXPECT_FALSE(AnalyseSession(signs).hint) << "nothing keyed, nothing to say";
    for (int i = 0; i < 5; ++i)
        signs.push_back(Keyed("-.-", {300, 100, 300}, {100, 100}, "K"));
    SessionAnalysis even = AnalyseSession(signs);
    EXPECT_EQ(even.signs, 5);
    EXPECT_DOUBLE_EQ(*even.dashDot, 3);
    EXPECT_DOUBLE_EQ(*even.gapDot, 1);
    EXPECT_DOUBLE_EQ(*even.dotSpread, 0);
    EXPECT_DOUBLE_EQ(*even.meanNote, 100);
    EXPECT_EQ(even.hint, Hint::Even);

    // Then dashes of 200: after 25 such signs only they count, dash:dot 2.
    for (int i = 0; i < 25; ++i)
        signs.push_back(Keyed("-.-", {200, 100, 200}, {100, 100}, "K"));
    SessionAnalysis shortDashes = AnalyseSession(signs);
    EXPECT_EQ(shortDashes.signs, 20);
    EXPECT_DOUBLE_EQ(*shortDashes.dashDot, 2);
    EXPECT_DOUBLE_EQ(*shortDashes.meanNote, 85);
    EXPECT_EQ(shortDashes.hint, Hint::DashesShort);

    // Dots of 60 to 140 ms, all else even: the dots are uneven (spread 28 %).
    std::deque<KeyedSign> uneven;
    for (double dot : {60.0, 140.0, 60.0, 140.0})
        uneven.push_back(Keyed("...", {dot, dot, dot}, {dot, dot}, "S"));
    uneven.push_back(Keyed("-", {300}, {}, "T"));
    SessionAnalysis dots = AnalyseSession(uneven);
    EXPECT_NEAR(*dots.dotSpread, 0.4, 1e-9);
    EXPECT_EQ(dots.hint, Hint::DotsUneven);
}

TEST(SessionAnalysis, CalibrationUnitIsTheMeanPressAndAnUnevenOneIsSaid) {
    const CalibrationAnalysis none = AnalyseCalibration({});
    EXPECT_EQ(none.presses, 0);
    EXPECT_FALSE(none.unitMs);
    const CalibrationAnalysis ten = AnalyseCalibration(std::vector<double>(10, 100));
    EXPECT_DOUBLE_EQ(*ten.unitMs, 100);
    EXPECT_DOUBLE_EQ(WordsPerMinute(*ten.unitMs), 12);
    EXPECT_FALSE(ten.irregular);
    const CalibrationAnalysis uneven = AnalyseCalibration({60, 140, 100});
    EXPECT_NEAR(*uneven.spread, 0.327, 0.001);
    EXPECT_TRUE(uneven.irregular);
}

} // namespace
} // namespace klavet
