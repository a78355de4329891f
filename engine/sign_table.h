#pragma once

// The 41 signs the trainer plays and recognises, with their International
// Morse codes, in the one order that playback and decoding both walk.
// Constant data; nothing here plays or shows anything.

#include <array>
#include <cstddef>
#include <string_view>

namespace klavet {

struct SignEntry {
    std::string_view Sign; // as typed and shown: "A", "7", "?", "BT"
    std::string_view Code; // "." dot, "-" dash, first element first; 1 to 6 long
};

inline constexpr std::size_t kSlotCount = 6;
using SlotPattern = std::array<std::string_view, kSlotCount>;

extern const std::array<SignEntry, 41> kSignTable;

// The row whose Sign equals text exactly (case-sensitive), or nullptr.
const SignEntry* FindBySign(std::string_view text);

// The row whose slot pattern equals the six slots exactly, or nullptr.
const SignEntry* FindBySlots(const SlotPattern& slots);

// Slot k holds the k-th element of code; slots past its end are empty.
SlotPattern SlotPatternOf(const SignEntry& entry);

} // namespace klavet
