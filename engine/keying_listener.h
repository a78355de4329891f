#pragma once

// What the keying handlers tell whoever follows the learner's timing, besides
// what they do: a port the engine calls and never reads from. A listener
// changes nothing of what the handlers show, play or count.

#include <cstdint>
#include <string_view>

namespace klavet {

class KeyingListener {
public:
    virtual ~KeyingListener() = default;

    // Key down, after `idleTicks` of rest since the last key up; it began a
    // new sign, or went on with the one being keyed.
    virtual void KeyDown(std::int16_t idleTicks, bool newSign) = 0;
    // Key up after `pressTicks`, judged "." or "-" against `unitTicks`; an
    // empty element while calibrating, when no press is judged.
    virtual void KeyUp(std::int16_t pressTicks, std::string_view element, std::int16_t unitTicks) = 0;
    // The result field shows the sign the slots spell; said on every tick of
    // the rest that shows it.
    virtual void Decoded(std::string_view sign) = 0;
    // The play button has played a sign of the table.
    virtual void Played(std::string_view sign) = 0;
    // The handlers that follow run late, held up while a sign played: their
    // ticks do not say when the key moved. Said by the window, not the engine.
    virtual void HandledLate(bool late) = 0;
};

} // namespace klavet
