#include "fake_window.h"

namespace klavet::testing {

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
        log->push_back(std::string(NameOf(label)) + "=" + std::string(text));
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

std::string FakeWindow::UpperCase(std::string_view text) const { return LatinUpperCase(text); }

std::string FakeWindow::Slots() const {
    std::string joined;
    for (Label slot : kSlotLabels) {
        const std::string& caption = captions.at(slot);
        joined += caption.empty() ? "_" : caption;
    }
    return joined;
}

} // namespace klavet::testing
