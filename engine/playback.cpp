#include "keying.h"
#include "sign_table.h"

namespace klavet {

// Plays the typed sign as its dots and dashes, one sound after the other,
// then shows its code. The thread is held until the last sound has ended.
void TrainerEngine::Command1_Click() {
    sound_.SetWaveVolume(VolumeOn);
    const std::string typed = window_.Text(TextBox::Text1);
    state_.ChosenSign = window_.UpperCase(typed);
    const SignEntry* entry = FindBySign(state_.ChosenSign);
    // The signs are Latin: where the locale's upper case matches none (a
    // Turkish "i" becomes a dotted capital), the plain Latin one may.
    if (!entry) {
        std::string latin = LatinUpperCase(typed);
        if ((entry = FindBySign(latin)))
            state_.ChosenSign = std::move(latin);
    }
    window_.SetCaption(Label::Label7, state_.ChosenSign);
    if (!entry)
        return;
    for (char element : entry->Code)
        sound_.PlaySoundSync(sound_.SoundFilePath(element == '.' ? kDotFile : kDashFile));
    window_.SetCaption(Label::signe, entry->Code);
    if (listener_)
        listener_->Played(entry->Sign);
}

} // namespace klavet
