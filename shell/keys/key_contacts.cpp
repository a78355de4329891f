#include "key_contacts.h"

namespace klavet {

KeyEdge KeyContacts::Set(KeySource source, bool closed) {
    if (Holds(source) == closed)
        return KeyEdge::None;
    const bool wasDown = Down();
    held_.set(Index(source), closed);
    if (Down() == wasDown)
        return KeyEdge::None;
    return closed ? KeyEdge::Down : KeyEdge::Up;
}

} // namespace klavet
