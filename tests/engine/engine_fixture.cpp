#include "engine_fixture.h"

namespace klavet::testing {

void EngineTest::Press(int ticks) {
    ASSERT_TRUE(window.timer2);
    engine.Laklavet_MouseDown();
    ASSERT_TRUE(window.timer1);
    ASSERT_FALSE(window.timer2);
    for (int i = 0; i < ticks; ++i)
        engine.Timer1_Timer();
    engine.Laklavet_MouseUp();
}

void EngineTest::Gap(int ticks) {
    ASSERT_TRUE(window.timer2);
    ASSERT_FALSE(window.timer1);
    for (int i = 0; i < ticks; ++i)
        engine.Timer2_Timer();
}

void EngineTest::Key(std::string_view code, int unit, int gap) {
    for (char element : code) {
        Press(element == '.' ? unit : 3 * unit);
        Gap(unit);
    }
    Gap(gap);
}

void EngineTest::TrainingMode() {
    window.chkVit = 0;
    engine.ChkVit_Click();
}

} // namespace klavet::testing
