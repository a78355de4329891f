// Drives the engine with a long random sequence of the events a learner and
// the two timers can produce, and checks the record's invariants, and the
// element a model predicts for each release, after every single event.

#include "engine_fixture.h"
#include "sign_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>

using namespace klavet;
using namespace klavet::testing;

namespace {

class RandomSession : public EngineTest {
protected:
    RandomSession() { window.log = sound.log = nullptr; }

    void KeyDown() {
        engine.Laklavet_MouseDown();
        keyDown = true;
        pressLength = 0;
        EXPECT_GE(state.ElementIndex, 1);
        EXPECT_EQ(state.IdleTicks, 0);
    }

    void KeyUp() {
        int unit = state.UnitTicks;
        bool training = window.chkVit == 0;
        std::int16_t index = state.ElementIndex;
        std::string before = state.CurrentElement;
        engine.Laklavet_MouseUp();
        keyDown = false;
        EXPECT_EQ(window.texts[TextBox::Text2], std::to_string(std::min(pressLength, 32767)));
        if (training) {
            std::string expected = 5 * std::min(pressLength, 32767) < 9 * unit ? "." : "-";
            EXPECT_EQ(state.CurrentElement, expected);
            if (index <= 6) {
                EXPECT_EQ(window.captions[kSlotLabels[static_cast<std::size_t>(index - 1)]], expected);
            }
        } else {
            EXPECT_EQ(state.CurrentElement, before);
        }
    }

    void PressTick() {
        std::int16_t calTicks = state.CalTicks;
        engine.Timer1_Timer();
        ++pressLength;
        if (window.chkVit == 1 && calTicks < 32767) {
            EXPECT_EQ(state.CalTicks, calTicks + 1);
        }
    }

    void GapTick() {
        std::string result = window.captions[Label::Label7];
        engine.Timer2_Timer();
        if (window.captions[Label::Label7] != result) {
            ++decodes;
            decoded.insert(window.captions[Label::Label7]);
        }
        EXPECT_EQ(window.texts[TextBox::Text3], DecimalText(state.IdleTicks));
    }

    void Toggle() {
        window.chkVit = 1 - window.chkVit;
        engine.ChkVit_Click();
        switched = true;
        EXPECT_EQ(window.captions[Label::Label7], "");
    }

    void Play(std::mt19937& random) {
        const char* entries[] = {"", "a", "BT", "bt", "?", "x", "zz", "0", " "};
        window.texts[TextBox::Text1] = entries[random() % std::size(entries)];
        engine.Command1_Click();
        sound.Clear();
    }

    void CheckInvariants() {
        ASSERT_GE(state.ElementIndex, 0);
        ASSERT_LE(state.ElementIndex, 7);
        ASSERT_GE(state.UnitTicks, 0);
        ASSERT_GE(state.IdleTicks, 0);
        ASSERT_GE(state.PressTicks, 0);
        ASSERT_GE(state.CalDots, 0);
        ASSERT_GE(state.CalTicks, 0);
        if (keyDown) {
            ASSERT_EQ(state.IdleTicks, 0);
        } else {
            ASSERT_EQ(state.PressTicks, 0);
        }
        ASSERT_EQ(window.timer1, keyDown);
        ASSERT_EQ(window.timer2, !keyDown);
        ASSERT_NE(window.picture1, window.picture2);
        ASSERT_EQ(window.picture2, keyDown);
        ASSERT_EQ(sound.volume.load(), keyDown ? VolumeOn : sound.volume.load());
        std::int16_t decode = switched ? (window.chkVit == 0 ? kTrue : kFalse) : kFalse;
        ASSERT_EQ(state.DecodeEnabled, decode);
        ASSERT_TRUE(ParseDecimal(window.texts[TextBox::TxtVit]).has_value());
        for (std::size_t k = 0; k < kSlotCount; ++k) {
            const std::string& slot = window.captions[kSlotLabels[k]];
            ASSERT_TRUE(slot.empty() || slot == "." || slot == "-");
            if (!slot.empty()) {
                ASSERT_LE(static_cast<int>(k) + 1, state.ElementIndex);
            }
        }
        const std::string& result = window.captions[Label::Label7];
        ASSERT_TRUE(result.empty() || result == "F" || result == state.ChosenSign || FindBySign(result));
    }

    bool keyDown = false;
    bool switched = false;
    int pressLength = 0;
    long decodes = 0;
    std::set<std::string> decoded;
};

} // namespace

// Mostly presses and gaps of a few units, as a learner keys them, now and
// then very long ones that reach the counters' limits.
int Length(std::mt19937& random, int unit, int lowUnits, int highUnits) {
    unsigned roll = random() % 10000;
    if (roll < 5)
        return 33000 + static_cast<int>(random() % 8000);
    if (roll < 100)
        return static_cast<int>(random() % 2000);
    int base = unit < 4 || unit > 60 ? 8 : unit;
    std::uniform_int_distribution<int> length(lowUnits * base / 2, highUnits * base);
    return length(random);
}

TEST_F(RandomSession, InvariantsHoldOverAMillionEvents) {
    const char* given = std::getenv("KLAVET_SEED");
    const unsigned seed = given ? static_cast<unsigned>(std::strtoul(given, nullptr, 10)) : 20261208u;
    std::mt19937 random(seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    long events = 0;
    auto step = [&](auto&& event) {
        event();
        ++events;
        CheckInvariants();
    };
    while (events < 1'000'000 && !HasFailure()) {
        int units = window.chkVit == 1 || random() % 2 ? 1 : 3; // a dot or a dash
        step([&] { KeyDown(); });
        for (int i = Length(random, state.UnitTicks, units, units); i > 0 && !HasFailure(); --i)
            step([&] { PressTick(); });
        step([&] { KeyUp(); });
        for (int i = Length(random, state.UnitTicks, 1, 7); i > 0 && !HasFailure(); --i) {
            unsigned roll = random() % 10000;
            if (roll < 5)
                step([&] { Toggle(); });
            else if (roll < 8)
                step([&] { Play(random); });
            step([&] { GapTick(); });
        }
    }
    if (HasFailure())
        FAIL() << "after " << events << " events";
    EXPECT_GT(decodes, 500) << "the walk should reach decoding often";
    EXPECT_GE(decoded.size(), 20u) << "and decode many different signs";
}
