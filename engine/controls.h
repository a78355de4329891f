#pragma once

// Names of the window controls that the engine reads and writes. The window
// maps each name to its own widget; the engine never sees the widgets.

#include <array>
#include <string_view>

namespace klavet {

enum class Label {
    Label2, // element slot 1
    Label3, // element slot 2
    Label4, // element slot 3
    Label5, // element slot 4
    Label6, // element slot 5
    Label8, // element slot 6
    Label7, // result field
    Label9, // calibration press count
    signe,  // code field
};

enum class TextBox {
    Text1,  // sign box
    Text2,  // ticks of the last press
    Text3,  // idle ticks
    TxtVit, // speed unit
};

enum class Picture { Picture1, Picture2 };
enum class Timer { Timer1, Timer2 };

// The six element slots, slot 1 first.
inline constexpr std::array<Label, 6> kSlotLabels = {
    Label::Label2, Label::Label3, Label::Label4, Label::Label5, Label::Label6, Label::Label8,
};

// The controls' names as the window gives them ("Label7", "TxtVit").
constexpr std::string_view NameOf(Label label) {
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
    return {};
}

constexpr std::string_view NameOf(TextBox box) {
    switch (box) {
    case TextBox::Text1: return "Text1";
    case TextBox::Text2: return "Text2";
    case TextBox::Text3: return "Text3";
    case TextBox::TxtVit: return "TxtVit";
    }
    return {};
}

} // namespace klavet
