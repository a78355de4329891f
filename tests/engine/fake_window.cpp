#include "fake_window.h"

namespace klavet::testing {

std::string LabelName(Label label) {
    switch (label) {
    case Label::Label2: return "Label2";
    case Label::Label3: return "Label3";
    case Label::Label4: return "Label4";
    case Label::Label5: return "Label5";
    case Label::Label6: return "Label6";
    case Label::Label8: return "Label8";
    case Label::Label7: return "Label7";
    case Label::Label9: return "Label9";
    case Label::signe: return "signe";
    }
    return "?";
}

FakeWindow::FakeWindow() {
    for (Label slot : kSlotLabels)
        captions[slot] = "";
    captions[Label::Label7] = "F";
    captions[Label::Label9] = "Label9";
    captions[Label::signe] = "..-.";
    texts[TextBox::Text1] = "F";
    texts[TextBox::Text2] = "Text2";
    texts[TextBox::Text3] = "Text3";
    texts[TextBox::TxtVit] = "8";
}

void FakeWindow::SetCaption(Label label, std::string_view text) {
    captions[label] = std::string(text);
    if (log)
        log->push_back(LabelName(label) + "=" + std::string(text));
}

void FakeWindow::SetPictureVisible(Picture picture, bool visible) {
    (picture == Picture::Picture1 ? picture1 : picture2) = visible;
    if (log)
        log->push_back(std::string(picture == Picture::Picture1 ? "Picture1" : "Picture2") + (visible ? " show" : " hide"));
}

void FakeWindow::SetTimerEnabled(Timer timer, bool enabled) {
    (timer == Timer::Timer1 ? timer1 : timer2) = enabled;
    if (log)
        log->push_back(std::string(timer == Timer::Timer1 ? "Timer1" : "Timer2") + (enabled ? " on" : " off"));
}

std::string FakeWindow::UpperCase(std::string_view text) const {
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::string FakeWindow::Slots() const {
    std::string joined;
    for (Label slot : kSlotLabels) {
        const std::string& caption = captions.at(slot);
        joined += caption.empty() ? "_" : caption;
    }
    return joined;
}

void FakeSound::SetWaveVolume(std::uint32_t v) {
    volume = v;
    Record(v == VolumeOn ? "volume on" : v == VolumeOff ? "volume off" : "volume " + std::to_string(v));
}

void FakeSound::Record(std::string call) {
    calls.push_back(call);
    if (log)
        log->push_back(std::move(call));
}

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
