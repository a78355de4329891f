#include "engine_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace klavet;
using namespace klavet::testing;

using Calibration = EngineTest;

TEST_F(Calibration, PressesOfEightNineAndSevenTicks) {
    std::vector<std::string> counts, units;
    for (int ticks : {8, 9, 7}) {
        engine.Laklavet_MouseDown();
        counts.push_back(window.captions[Label::Label9]);
        units.push_back(window.texts[TextBox::TxtVit]);
        for (int i = 0; i < ticks; ++i)
            engine.Timer1_Timer();
        engine.Laklavet_MouseUp();
        Gap(20);
    }
    EXPECT_EQ(counts, (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(units, (std::vector<std::string>{"0", "4", "6"}));
    EXPECT_EQ(state.CalTicks, 24);
    EXPECT_EQ(state.CalDots, 3);
}

TEST_F(Calibration, SwitchingOffAndOnContinuesTheSameAverage) {
    for (int ticks : {8, 9, 7})
        Press(ticks);
    TrainingMode();
    Press(50);
    EXPECT_EQ(state.CalTicks, 24) << "training presses are not calibration";
    window.chkVit = 1;
    engine.ChkVit_Click();
    engine.Laklavet_MouseDown();
    EXPECT_EQ(window.texts[TextBox::TxtVit], "6");
    EXPECT_EQ(window.captions[Label::Label9], "4");
}

TEST_F(Calibration, TiesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundedQuotient(15, 2), 8);
    EXPECT_EQ(RoundedQuotient(13, 2), 6);
    EXPECT_EQ(RoundedQuotient(1, 2), 0);
    EXPECT_EQ(RoundedQuotient(3, 2), 2);
    EXPECT_EQ(RoundedQuotient(10, 4), 2);
    EXPECT_EQ(RoundedQuotient(14, 4), 4);
    EXPECT_EQ(RoundedQuotient(32767, 2), 16384);
    EXPECT_EQ(RoundedQuotient(32767, 1), 32767);
}

// Oracle: exact integer rounding, half to even, over many pairs.
TEST_F(Calibration, RoundingMatchesTheIntegerOracle) {
    for (int dots = 1; dots <= 32767; dots = dots < 64 ? dots + 1 : dots * 3 / 2) {
        for (int ticks = 0; ticks <= 32767; ticks += 1 + ticks / 7) {
            int q = ticks / dots, r = ticks % dots;
            int expected = 2 * r > dots || (2 * r == dots && q % 2 == 1) ? q + 1 : q;
            ASSERT_EQ(RoundedQuotient(static_cast<std::int16_t>(ticks), static_cast<std::int16_t>(dots)), expected)
                << ticks << " / " << dots;
        }
    }
}

TEST_F(Calibration, RealPressesGiveTheRoundedAverage) {
    state.CalTicks = 15;
    state.CalDots = 1;
    engine.Laklavet_MouseDown();
    EXPECT_EQ(window.texts[TextBox::TxtVit], "8");
    engine.Laklavet_MouseUp();
    Gap(50);
    state.CalTicks = 13;
    state.CalDots = 1;
    engine.Laklavet_MouseDown();
    EXPECT_EQ(window.texts[TextBox::TxtVit], "6");
    EXPECT_EQ(state.UnitTicks, 6);
}

TEST_F(Calibration, NothingIsClassifiedOrDecoded) {
    for (int ticks : {3, 30, 300, 3}) {
        Press(ticks);
        Gap(500);
    }
    EXPECT_EQ(window.Slots(), "______");
    EXPECT_EQ(window.captions[Label::Label7], "") << "emptied by the new signs, never decoded";
    EXPECT_EQ(state.DecodeEnabled, kFalse);
    EXPECT_EQ(window.captions[Label::Label9], "4");
    EXPECT_EQ(window.texts[TextBox::Text2], "3");
}

TEST_F(Calibration, ToolTipIsTheCalibrationText) {
    Press(5);
    EXPECT_EQ(window.toolTip, kCalibrationToolTip);
}

TEST_F(Calibration, EverySwitchChangeEmptiesTheResult) {
    EXPECT_EQ(window.captions[Label::Label7], "F");
    TrainingMode();
    EXPECT_EQ(window.captions[Label::Label7], "");
    EXPECT_EQ(state.DecodeEnabled, kTrue);
    window.captions[Label::Label7] = "K";
    window.chkVit = 1;
    engine.ChkVit_Click();
    EXPECT_EQ(window.captions[Label::Label7], "");
    EXPECT_EQ(state.DecodeEnabled, kFalse);
    EXPECT_EQ(window.texts[TextBox::TxtVit], "8") << "the switch leaves the unit alone";
}

TEST_F(Calibration, CalibratedUnitRulesTraining) {
    for (int i = 0; i < 11; ++i) {
        Press(20);
        Gap(30);
    }
    EXPECT_EQ(window.texts[TextBox::TxtVit], "18"); // 200 / 11
    TrainingMode();
    Gap(200);
    Key("-.-", 18, 200);
    EXPECT_EQ(window.captions[Label::Label7], "K");
}

// Limits: the sums make room by halving together, so the average stays.

TEST_F(Calibration, FullTickSumKeepsTheAverage) {
    state.CalDots = 1000;
    state.CalTicks = 32760;
    Press(100);
    EXPECT_GT(state.CalTicks, 0);
    engine.Laklavet_MouseDown();
    double average = static_cast<double>(state.CalTicks) / state.CalDots;
    EXPECT_NEAR(state.UnitTicks, average, 0.5);
    EXPECT_NEAR(state.UnitTicks, 33, 1);
}

TEST_F(Calibration, FullPressCountKeepsTheAverage) {
    state.CalDots = 32767;
    state.CalTicks = 32767 / 2;
    engine.Laklavet_MouseDown();
    EXPECT_EQ(state.CalDots, 16385);
    EXPECT_EQ(window.captions[Label::Label9], "16385");
    EXPECT_EQ(state.UnitTicks, 0) << "half a tick per press rounds to 0";
    EXPECT_GE(state.CalTicks, 0);
}

TEST_F(Calibration, AVeryLongFirstPressGivesALargeUnit) {
    engine.Laklavet_MouseDown();
    for (int i = 0; i < 40000; ++i)
        engine.Timer1_Timer();
    engine.Laklavet_MouseUp();
    Gap(10);
    engine.Laklavet_MouseDown();
    EXPECT_GT(state.UnitTicks, 8000);
    EXPECT_EQ(window.texts[TextBox::TxtVit], DecimalText(state.UnitTicks));
}
