#pragma once

// Which of the key's sources hold it down: the mouse on the contact, the Space
// bar while the contact has the focus, the two Ctrl keys and a serial-port
// key, wired in parallel. The key is down while
// any source holds it. Plain bookkeeping: it neither times nor calls anything.

#include <bitset>

namespace klavet {

enum class KeySource { Mouse, Space, LeftCtrl, RightCtrl, SerialPort };

// What a source's change does to the key as a whole.
enum class KeyEdge { None, Down, Up };

class KeyContacts {
public:
    // A source closes its contact (true) or lets go (false). The key goes
    // down with the first source to close and up with the last to let go;
    // any other change, a repeated one included, does nothing.
    KeyEdge Set(KeySource source, bool closed);

    bool Holds(KeySource source) const { return held_.test(Index(source)); }
    bool Down() const { return held_.any(); }

private:
    static std::size_t Index(KeySource source) { return static_cast<std::size_t>(source); }

    std::bitset<5> held_;
};

} // namespace klavet
