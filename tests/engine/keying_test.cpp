#include "engine_fixture.h"

#include <gtest/gtest.h>

using namespace klavet;
using namespace klavet::testing;

namespace {

class Keying : public EngineTest {
protected:
    // The element a single press of the given length gives at the unit.
    std::string ElementOf(int unit, int ticks) {
        SetUnit(unit);
        Press(1); // the press timer loads the unit
        Gap(5 * unit + 1);
        Press(ticks);
        return window.captions[Label::Label2];
    }
    void SetUp() override { TrainingMode(); }
};

} // namespace

TEST_F(Keying, ClassifiesAtUnitEight) {
    EXPECT_EQ(ElementOf(8, 0), ".");
    EXPECT_EQ(ElementOf(8, 10), ".");
    EXPECT_EQ(ElementOf(8, 14), ".");
    EXPECT_EQ(ElementOf(8, 15), "-");
    EXPECT_EQ(ElementOf(8, 25), "-");
}

TEST_F(Keying, ClassifiesAtUnitFiveWhereTheThresholdIsWhole) {
    EXPECT_EQ(ElementOf(5, 8), ".");
    EXPECT_EQ(ElementOf(5, 9), "-");
}

TEST_F(Keying, UnitZeroMakesEveryPressADash) {
    window.texts[TextBox::TxtVit] = "0";
    for (int ticks : {1, 2, 5, 100}) {
        Press(ticks);
        Gap(1);
        EXPECT_EQ(state.CurrentElement, "-") << ticks;
    }
}

// Oracle: a press is a dot exactly when 5 * ticks < 9 * unit, for every
// unit the field can hold, around the threshold and far from it.
TEST_F(Keying, ThresholdMatchesTheIntegerOracleForEveryUnit) {
    window.log = sound.log = nullptr;
    for (int unit = 0; unit <= 32767; ++unit) {
        int edge = 9 * unit / 5;
        for (int ticks : {0, edge - 1, edge, edge + 1, edge + 2, 32767}) {
            if (ticks < 0 || ticks > 32767)
                continue;
            engine.Laklavet_MouseDown();
            state.UnitTicks = static_cast<std::int16_t>(unit);
            state.PressTicks = static_cast<std::int16_t>(ticks);
            engine.Laklavet_MouseUp();
            std::string expected = 5 * ticks < 9 * unit ? "." : "-";
            ASSERT_EQ(state.CurrentElement, expected) << "unit " << unit << " ticks " << ticks;
            sound.Clear();
        }
    }
}

TEST_F(Keying, ClassifiesRealPressesAroundTheThreshold) {
    for (int unit : {1, 2, 3, 7, 10, 33}) {
        int edge = 9 * unit / 5;
        for (int ticks = std::max(0, edge - 2); ticks <= edge + 2; ++ticks)
            EXPECT_EQ(ElementOf(unit, ticks), 5 * ticks < 9 * unit ? "." : "-") << unit << " " << ticks;
    }
}

TEST_F(Keying, EightPressesFillSixSlotsThenStartANewSign) {
    Gap(100);
    const std::string pattern = "-.-.--.-";
    for (std::size_t i = 0; i < 7; ++i) {
        Press(pattern[i] == '.' ? 8 : 24);
        Gap(8);
    }
    EXPECT_EQ(state.ElementIndex, 7);
    EXPECT_EQ(window.Slots(), "-.-.--") << "the seventh release writes nothing";
    window.captions[Label::Label7] = "Z";

    engine.Laklavet_MouseDown();
    EXPECT_EQ(window.Slots(), "______");
    EXPECT_EQ(window.captions[Label::Label7], "");
    EXPECT_EQ(state.ElementIndex, 1);
    for (int i = 0; i < 24; ++i)
        engine.Timer1_Timer();
    engine.Laklavet_MouseUp();
    EXPECT_EQ(window.Slots(), "-_____");
}

TEST_F(Keying, ReleasesFillTheSlotsInLabelOrder) {
    Gap(100);
    std::vector<std::string> order;
    for (int i = 0; i < 6; ++i) {
        log.clear();
        Press(8);
        Gap(8);
        for (const std::string& entry : log)
            if (entry.rfind("Label", 0) == 0 && entry.back() != '=')
                order.push_back(entry);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"Label2=.", "Label3=.", "Label4=.", "Label5=.", "Label6=.",
                                               "Label8=."}));
}

TEST_F(Keying, AGapOfFiveUnitsContinuesTheSignAndOneMoreStartsANewOne) {
    SetUnit(8);
    Press(8);
    Gap(40);
    Press(24);
    EXPECT_EQ(window.Slots(), ".-____");
    Gap(41);
    Press(24);
    EXPECT_EQ(window.Slots(), "-_____");
}

TEST_F(Keying, KeyDownEffectsComeInOrder) {
    Press(8);
    Gap(100);
    log.clear();
    engine.Laklavet_MouseDown();
    EXPECT_EQ(log, (std::vector<std::string>{"Label2=", "Label3=", "Label4=", "Label5=", "Label6=", "Label7=",
                                             "Label8=", "Picture1 hide", "Picture2 show", "volume on",
                                             "async /opt/klavet/tok.wav", "Timer1 on", "Timer2 off"}));
    EXPECT_EQ(state.IdleTicks, 0);
    EXPECT_EQ(state.ElementIndex, 1);

    log.clear();
    engine.Timer1_Timer();
    engine.Laklavet_MouseUp();
    EXPECT_EQ(log, (std::vector<std::string>{"Picture1 show", "Picture2 hide", "volume off", "Timer1 off",
                                             "Timer2 on", "Label2=."}));
    EXPECT_EQ(window.texts[TextBox::Text2], "1");
    EXPECT_EQ(state.PressTicks, 0);
}

TEST_F(Keying, ContinuingASignClearsNothing) {
    SetUnit(8);
    Press(8);
    Gap(10);
    log.clear();
    engine.Laklavet_MouseDown();
    EXPECT_EQ(log.front(), "Picture1 hide");
    EXPECT_EQ(state.ElementIndex, 2);
}

TEST_F(Keying, PressTimerFollowsTheSpeedField) {
    engine.Laklavet_MouseDown();
    engine.Timer1_Timer();
    EXPECT_EQ(state.UnitTicks, 8);
    window.texts[TextBox::TxtVit] = "12";
    engine.Timer1_Timer();
    EXPECT_EQ(state.UnitTicks, 12);
    EXPECT_EQ(state.PressTicks, 2);
}

TEST_F(Keying, SpeedFieldThatIsNotANumberKeepsTheUnit) {
    engine.Laklavet_MouseDown();
    engine.Timer1_Timer();
    for (const char* bad : {"", "abc", "8.5", " 8", "8 ", "40000", "-40000", "0x10", "+"}) {
        window.texts[TextBox::TxtVit] = bad;
        engine.Timer1_Timer();
        EXPECT_EQ(state.UnitTicks, 8) << '"' << bad << '"';
    }
    window.texts[TextBox::TxtVit] = "32767";
    engine.Timer1_Timer();
    EXPECT_EQ(state.UnitTicks, 32767);
}

TEST_F(Keying, ToolTipFollowsTheSwitchAtEveryKeyDown) {
    EXPECT_EQ(kCalibrationToolTip.size(), 77u) << "UTF-8 bytes of the 75-character text";
    Press(8);
    EXPECT_EQ(window.toolTip, "");
    window.chkVit = 1;
    engine.ChkVit_Click();
    Press(8);
    EXPECT_EQ(window.toolTip, " Une série de points pour calibrer la vitesse puis désactivez le calibrage ");
}

TEST_F(Keying, ShowsTheLengthOfEveryPressAndResetsTheCount) {
    for (int ticks : {0, 1, 17, 300}) {
        Press(ticks);
        EXPECT_EQ(window.texts[TextBox::Text2], std::to_string(ticks));
        EXPECT_EQ(state.PressTicks, 0);
        Gap(2);
    }
}

TEST_F(Keying, SwitchValueOtherThanZeroClassifiesNothing) {
    SetUnit(8);
    Press(24);
    Gap(100);
    window.chkVit = 2;
    Press(3);
    EXPECT_EQ(window.Slots(), "______");
    EXPECT_EQ(state.CurrentElement, "-");
}

// Limits.

TEST_F(Keying, LongPressHoldsAtTheUpperLimit) {
    engine.Laklavet_MouseDown();
    for (int i = 0; i < 40000; ++i)
        engine.Timer1_Timer();
    EXPECT_EQ(state.PressTicks, 32767);
    engine.Laklavet_MouseUp();
    EXPECT_EQ(window.texts[TextBox::Text2], "32767");
    EXPECT_EQ(window.captions[Label::Label2], "-");
}

TEST_F(Keying, LongGapHoldsAtTheUpperLimitAndStillStartsANewSign) {
    Press(8);
    Gap(40000);
    EXPECT_EQ(state.IdleTicks, 32767);
    EXPECT_EQ(window.texts[TextBox::Text3], "32767");
    Press(24);
    EXPECT_EQ(window.Slots(), "-_____");
}

TEST_F(Keying, LargeUnitFormsTheGapLimitWithoutOverflow) {
    // 5 * 7000 = 35000 would wrap to a negative 16-bit value.
    SetUnit(7000);
    Press(7000);
    Gap(30000);
    Press(21000);
    EXPECT_EQ(window.Slots(), ".-____") << "a gap below five units continues the sign";
}
