#pragma once

// Recording fakes of the window and sound operations, and a small driver
// that feeds presses and gaps to the engine the way the window's timers do.

#include "keying.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace klavet::testing {

std::string LabelName(Label label);

class FakeWindow : public WindowOperations {
public:
    FakeWindow();

    std::string Caption(Label label) const override { return captions.at(label); }
    void SetCaption(Label label, std::string_view text) override;
    std::string Text(TextBox box) const override { return texts.at(box); }
    void SetText(TextBox box, std::string_view text) override { texts[box] = std::string(text); }
    int ChkVitValue() const override { return chkVit; }
    void SetPictureVisible(Picture picture, bool visible) override;
    void SetTimerEnabled(Timer timer, bool enabled) override;
    void SetKeyToolTip(std::string_view text) override { toolTip = std::string(text); }
    std::string UpperCase(std::string_view text) const override;

    std::string Slots() const; // the six slots joined, empty ones as "_"

    std::map<Label, std::string> captions;
    std::map<TextBox, std::string> texts;
    int chkVit = 1;
    bool picture1 = true;
    bool picture2 = false;
    bool timer1 = false;
    bool timer2 = true;
    std::string toolTip = " Une série de points pour calibrer la vitesse  puis désactivez le calibrage ";
    std::vector<std::string>* log = nullptr; // shared with FakeSound when set
};

class FakeSound : public SoundOperations {
public:
    void PlaySoundAsync(const std::string& path) override { Record("async " + path); }
    void PlaySoundSync(const std::string& path) override { Record("sync " + path); }
    void SetWaveVolume(std::uint32_t volume) override;
    std::string SoundFilePath(std::string_view name) const override { return "/opt/klavet" + std::string(name); }

    std::vector<std::string> calls;
    std::uint32_t volume = 0xFFFFFFFFu; // never set
    std::vector<std::string>* log = nullptr;

private:
    void Record(std::string call);
};

// A fresh window as the trainer starts: design values, then the load step.
class EngineTest : public ::testing::Test {
protected:
    EngineTest() : engine(state, window, sound) {
        window.log = &log;
        sound.log = &log;
    }

    void Press(int ticks);          // key down, press ticks, key up
    void Gap(int ticks);            // gap-timer ticks
    void Key(std::string_view code, int unit, int gap); // key a code in training mode
    void TrainingMode();            // untick the switch, as the learner does
    void SetUnit(int unit) { window.texts[TextBox::TxtVit] = std::to_string(unit); }

    TrainerState state;
    FakeWindow window;
    FakeSound sound;
    std::vector<std::string> log;
    TrainerEngine engine;
};

} // namespace klavet::testing
