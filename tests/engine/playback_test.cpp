#include "engine_fixture.h"
#include "sign_table.h"

#include <gtest/gtest.h>

using namespace klavet;
using namespace klavet::testing;

namespace {

class Playback : public EngineTest {
protected:
    std::vector<std::string> Play(std::string text) {
        window.texts[TextBox::Text1] = std::move(text);
        log.clear();
        engine.Command1_Click();
        return log;
    }
};

const std::string kDi = "sync /opt/klavet/di.wav";
const std::string kDa = "sync /opt/klavet/da.wav";

} // namespace

TEST_F(Playback, KShowsTheSignPlaysDaDiDaThenShowsTheCode) {
    EXPECT_EQ(Play("k"), (std::vector<std::string>{"volume on", "Label7=K", kDa, kDi, kDa, "signe=-.-"}));
    EXPECT_EQ(state.ChosenSign, "K");
}

TEST_F(Playback, EverySignPlaysItsCodeFromLeftToRight) {
    for (const SignEntry& entry : kSignTable) {
        std::vector<std::string> expected = {"volume on", "Label7=" + std::string(entry.Sign)};
        for (char element : entry.Code)
            expected.push_back(element == '.' ? kDi : kDa);
        expected.push_back("signe=" + std::string(entry.Code));
        EXPECT_EQ(Play(std::string(entry.Sign)), expected) << entry.Sign;
    }
}

TEST_F(Playback, BTInAnyCase) {
    for (const char* text : {"bt", "Bt", "bT", "BT"}) {
        EXPECT_EQ(Play(text), (std::vector<std::string>{"volume on", "Label7=BT", kDa, kDi, kDi, kDi, kDa,
                                                        "signe=-...-"}))
            << text;
    }
}

TEST_F(Playback, EmptyOrUnknownEntryShowsItAndPlaysNothing) {
    Play("e");
    for (const char* text : {"", " ", "!", "ab", "=", "b t"}) {
        std::vector<std::string> calls = Play(text);
        std::string shown = window.UpperCase(text);
        EXPECT_EQ(calls, (std::vector<std::string>{"volume on", "Label7=" + shown})) << '"' << text << '"';
        EXPECT_EQ(window.captions[Label::signe], ".") << "the code field keeps the last code";
    }
}

TEST_F(Playback, UsesTheWindowsUpperCasing) {
    struct Accented : FakeWindow {
        std::string UpperCase(std::string_view text) const override {
            return text == "é" ? "É" : FakeWindow::UpperCase(text);
        }
    } window;
    TrainerEngine engine(state, window, sound);
    window.texts[TextBox::Text1] = "é";
    engine.Command1_Click();
    EXPECT_EQ(state.ChosenSign, "É");
    EXPECT_EQ(window.captions[Label::Label7], "É");
}

// A locale whose upper case of "i" is the dotted capital "İ", as Turkish
// has it, and whose "ı" (dotless) becomes a plain "I".
struct TurkishWindow : FakeWindow {
    std::string UpperCase(std::string_view text) const override {
        std::string upper;
        for (std::size_t k = 0; k < text.size(); ++k) {
            if (text[k] == 'i')
                upper += "İ";
            else if (text.substr(k, 2) == "ı")
                upper += "I", ++k;
            else
                upper += FakeWindow::UpperCase(text.substr(k, 1));
        }
        return upper;
    }
};

TEST_F(Playback, WhereTheLocalesUpperCaseMatchesNoSignThePlainLatinOneIsTried) {
    TurkishWindow turkish;
    TrainerEngine engine(state, turkish, sound);
    turkish.log = &log;
    const auto play = [&](std::string text) {
        turkish.texts[TextBox::Text1] = std::move(text);
        log.clear();
        engine.Command1_Click();
        return log;
    };
    EXPECT_EQ(play("i"), (std::vector<std::string>{"volume on", "Label7=I", kDi, kDi, "signe=.."}));
    EXPECT_EQ(state.ChosenSign, "I");
    // The locale's own upper case wins wherever it matches.
    EXPECT_EQ(play("ı"), (std::vector<std::string>{"volume on", "Label7=I", kDi, kDi, "signe=.."}));
    EXPECT_EQ(play("k"), (std::vector<std::string>{"volume on", "Label7=K", kDa, kDi, kDa, "signe=-.-"}));
    // Neither matches: the locale's upper case is shown, nothing plays.
    EXPECT_EQ(play("ii"), (std::vector<std::string>{"volume on", "Label7=İİ"}));
    EXPECT_EQ(state.ChosenSign, "İİ");
    EXPECT_EQ(play("é"), (std::vector<std::string>{"volume on", "Label7=é"}));
}

TEST(LatinUpperCase, ChangesOnlyTheLettersAToZ) {
    EXPECT_EQ(LatinUpperCase("abc xyz"), "ABC XYZ");
    EXPECT_EQ(LatinUpperCase("Bt?9"), "BT?9");
    EXPECT_EQ(LatinUpperCase("é ı ß"), "é ı ß");
    EXPECT_EQ(LatinUpperCase(""), "");
}

TEST_F(Playback, AfterAReleaseTheVolumeIsOnBeforeTheFirstElement) {
    Press(5);
    EXPECT_EQ(sound.volume.load(), VolumeOff);
    std::vector<std::string> calls = Play("t");
    EXPECT_EQ(calls.front(), "volume on");
    EXPECT_EQ(sound.volume.load(), VolumeOn);
}

TEST_F(Playback, TwoPressesPlayTwice) {
    std::vector<std::string> first = Play("6");
    std::vector<std::string> second = Play("6");
    EXPECT_EQ(first, second);
    EXPECT_EQ(window.captions[Label::signe], "-....");
    EXPECT_EQ(window.captions[Label::Label7], "6");
}

TEST_F(Playback, LeavesTheKeyingStateAlone) {
    Press(5);
    Gap(3);
    TrainerState before = state;
    Play("?");
    EXPECT_EQ(state.ElementIndex, before.ElementIndex);
    EXPECT_EQ(state.IdleTicks, before.IdleTicks);
    EXPECT_EQ(state.UnitTicks, before.UnitTicks);
    EXPECT_EQ(state.CalDots, before.CalDots);
}

TEST(VolumeWords, BothChannelsAtThirtyThousandOrSilent) {
    EXPECT_EQ(VolumeOn & 0xFFFFu, 30000u);
    EXPECT_EQ(VolumeOn >> 16, 30000u);
    EXPECT_EQ(VolumeOff, 0u);
}
