#include "engine_fixture.h"
#include "sign_table.h"

#include <gtest/gtest.h>

using namespace klavet;
using namespace klavet::testing;

namespace {

class Decoding : public EngineTest {
protected:
    void SetUp() override { TrainingMode(); }
    void SetSlots(SlotPattern slots) {
        for (std::size_t k = 0; k < kSlotCount; ++k)
            window.captions[kSlotLabels[k]] = std::string(slots[k]);
    }
    std::string Result() { return window.captions[Label::Label7]; }
};

} // namespace

TEST_F(Decoding, ShowsTheSignOnTheTickAfterThreeUnits) {
    SetUnit(8);
    Press(8);
    Gap(8);
    Press(24);
    Gap(24);
    EXPECT_EQ(state.IdleTicks, 24);
    EXPECT_EQ(Result(), "") << "cleared when the sign began, not decoded yet";
    Gap(1);
    EXPECT_EQ(Result(), "A");
    EXPECT_EQ(window.texts[TextBox::Text3], "25");
}

TEST_F(Decoding, KeysEverySignOfTheTable) {
    for (const SignEntry& entry : kSignTable) {
        Key(entry.Code, 8, 100);
        EXPECT_EQ(Result(), entry.Sign) << entry.Code;
    }
}

TEST_F(Decoding, SixElementSignsAndBT) {
    SetSlots({".", "-", ".", "-", ".", "-"});
    Gap(1);
    EXPECT_EQ(Result(), ".");
    SetSlots({"-", "-", ".", ".", "-", "-"});
    Gap(1);
    EXPECT_EQ(Result(), ",");
    SetSlots({".", ".", "-", "-", ".", "."});
    Gap(1);
    EXPECT_EQ(Result(), "?");
    SetSlots({"-", ".", ".", ".", "-", ""});
    Gap(1);
    EXPECT_EQ(Result(), "BT");
}

TEST_F(Decoding, UnknownOrEmptySlotsLeaveTheResultAsItWas) {
    for (const char* before : {"F", "", "K"}) {
        window.captions[Label::Label7] = before;
        SetSlots({".", ".", ".", ".", ".", "."});
        Gap(3);
        EXPECT_EQ(Result(), before);
        SetSlots({"", "", "", "", "", ""});
        Gap(3);
        EXPECT_EQ(Result(), before);
    }
}

TEST_F(Decoding, AShortGapDecodesAndTheNextPressExtendsTheSign) {
    SetUnit(8);
    Key(".", 8, 30); // more than 3 units, at most 5
    EXPECT_EQ(Result(), "E");
    Key("-", 8, 30);
    EXPECT_EQ(window.Slots(), ".-____");
    EXPECT_EQ(Result(), "A");
    Key("-", 8, 30);
    EXPECT_EQ(Result(), "W");
}

TEST_F(Decoding, APatternThatIsNoSignKeepsTheSignBefore) {
    SetUnit(8);
    Key(".....", 8, 30);
    EXPECT_EQ(Result(), "5");
    Key(".", 8, 30);
    EXPECT_EQ(window.Slots(), "......");
    EXPECT_EQ(Result(), "5");
}

TEST_F(Decoding, ALongGapKeepsCountingAndShowingTheSign) {
    Key("-.-", 8, 100);
    for (int i = 0; i < 5; ++i) {
        Gap(1000);
        EXPECT_EQ(Result(), "K");
    }
    EXPECT_EQ(window.texts[TextBox::Text3], std::to_string(state.IdleTicks));
}

TEST_F(Decoding, PlaybackIsOverwrittenByTheNextGapTick) {
    Key("-.-", 8, 100);
    window.texts[TextBox::Text1] = "e";
    engine.Command1_Click();
    EXPECT_EQ(Result(), "E");
    Gap(1);
    EXPECT_EQ(Result(), "K");
}

TEST_F(Decoding, UnitZeroDecodesFromTheFirstTick) {
    SetSlots({"-", "", "", "", "", ""});
    EXPECT_EQ(state.UnitTicks, 0);
    Gap(1);
    EXPECT_EQ(Result(), "T");
}

TEST_F(Decoding, LargeUnitFormsTheThresholdWithoutOverflow) {
    // 3 * 11000 = 33000 would wrap to a negative 16-bit threshold.
    state.UnitTicks = 11000;
    SetSlots({"-", "", "", "", "", ""});
    Gap(32767);
    EXPECT_EQ(Result(), "") << "the threshold lies beyond the longest gap";
}

TEST(DecodingAtStart, CountsButDoesNotDecodeWhileCalibrating) {
    TrainerState state;
    FakeWindow window;
    FakeSound sound;
    TrainerEngine engine(state, window, sound);
    window.captions[Label::Label2] = "-";
    for (int i = 0; i < 100; ++i)
        engine.Timer2_Timer();
    EXPECT_EQ(window.texts[TextBox::Text3], "100");
    EXPECT_EQ(window.captions[Label::Label7], "F");
}

namespace {

TrainerState GapState(std::int16_t unit, std::int16_t idle, bool decoding) {
    TrainerState state;
    state.UnitTicks = unit;
    state.IdleTicks = idle;
    state.DecodeEnabled = decoding ? kTrue : kFalse;
    return state;
}

TEST(TicksUntilVisible, OnlyDecodingGapTicksCanShowAnything) {
    // Unit 8: the first decode comes on the tick that takes the count to 25.
    EXPECT_EQ(TicksUntilVisible(GapState(8, 0, true), true, true), 25);
    EXPECT_EQ(TicksUntilVisible(GapState(8, 24, true), true, false), 1);
    // Past the threshold, only the first tick after an event can change the result.
    EXPECT_EQ(TicksUntilVisible(GapState(8, 30, true), true, true), 1);
    EXPECT_FALSE(TicksUntilVisible(GapState(8, 30, true), true, false));
    // Calibrating, the key held down, or a threshold the count never passes.
    EXPECT_FALSE(TicksUntilVisible(GapState(8, 0, false), true, true));
    EXPECT_FALSE(TicksUntilVisible(GapState(8, 0, true), false, true));
    EXPECT_FALSE(TicksUntilVisible(GapState(11000, 0, true), true, true));
    // A unit of 0 decodes from the first tick.
    EXPECT_EQ(TicksUntilVisible(GapState(0, 0, true), true, true), 1);
}

} // namespace
