#pragma once

// A recording stand-in for the window operations: the controls' captions and
// texts in maps, the switch, pictures, timers and tooltip as plain fields,
// each change optionally written to a shared log. It draws nothing.

#include "keying.h"
#include "window_operations.h"

#include <map>
#include <string>
#include <vector>

namespace klavet::testing {

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
    std::string toolTip{kStartToolTip};
    std::vector<std::string>* log = nullptr; // shared with FakeSound when set
};

} // namespace klavet::testing
