#include "sign_table.h"

namespace klavet {

const std::array<SignEntry, 41> kSignTable = {{
    {"A", ".-"},     {"B", "-..."},   {"C", "-.-."},   {"D", "-.."},    {"E", "."},
    {"F", "..-."},   {"G", "--."},    {"H", "...."},   {"I", ".."},     {"J", ".---"},
    {"K", "-.-"},    {"L", ".-.."},   {"M", "--"},     {"N", "-."},     {"O", "---"},
    {"P", ".--."},   {"Q", "--.-"},   {"R", ".-."},    {"S", "..."},    {"T", "-"},
    {"U", "..-"},    {"V", "...-"},   {"W", ".--"},    {"X", "-..-"},   {"Y", "-.--"},
    {"Z", "--.."},   {"0", "-----"},  {"1", ".----"},  {"2", "..---"},  {"3", "...--"},
    {"4", "....-"},  {"5", "....."},  {"6", "-...."},  {"7", "--..."},  {"8", "---.."},
    {"9", "----."},  {".", ".-.-.-"}, {",", "--..--"}, {"/", "-..-."},  {"?", "..--.."},
    {"BT", "-...-"},
}};

// Both look-ups test every row rather than stopping early; signs and codes
// are distinct, so at most one row matches.

const SignEntry* FindBySign(std::string_view text) {
    const SignEntry* found = nullptr;
    for (const SignEntry& entry : kSignTable) {
        if (entry.Sign == text)
            found = &entry;
    }
    return found;
}

static bool SlotsMatch(const SignEntry& entry, const SlotPattern& slots) {
    for (std::size_t k = 0; k < kSlotCount; ++k) {
        std::string_view expected = k < entry.Code.size() ? entry.Code.substr(k, 1) : std::string_view{};
        if (slots[k] != expected)
            return false;
    }
    return true;
}

const SignEntry* FindBySlots(const SlotPattern& slots) {
    const SignEntry* found = nullptr;
    for (const SignEntry& entry : kSignTable) {
        if (SlotsMatch(entry, slots))
            found = &entry;
    }
    return found;
}

SlotPattern SlotPatternOf(const SignEntry& entry) {
    SlotPattern pattern{};
    for (std::size_t k = 0; k < kSlotCount && k < entry.Code.size(); ++k)
        pattern[k] = entry.Code.substr(k, 1);
    return pattern;
}

} // namespace klavet
