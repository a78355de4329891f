#pragma once

// A fresh engine as the trainer starts, on the fake window and fake sound,
// and a small driver that feeds presses and gaps to it the way the window's
// timers do.

#include "fake_sound.h"
#include "fake_window.h"
#include "keying.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace klavet::testing {

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
