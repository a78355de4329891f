#include "terminal_line.h"

#include <cstdint>
#include <cstdio>

namespace klavet {

namespace {

void AppendHex(std::string& out, std::uint8_t byte) {
    constexpr char kDigits[] = "0123456789abcdef";
    out += "\\x";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
}

} // namespace

std::size_t Utf8SequenceLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(0);
    std::size_t length = 0;
    std::uint32_t lowest = 0;
    std::uint32_t code = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, lowest = 0x80, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, lowest = 0x800, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, lowest = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

std::string Escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto lead = static_cast<std::uint8_t>(text[0]);
        const std::size_t length = Utf8SequenceLength(text);
        if (lead == '\n') {
            out += "\\n";
        } else if (lead == '\t') {
            out += "\\t";
        } else if (lead == '\\') {
            out += "\\\\";
        } else if (length == 0 || lead < 0x20 || lead == 0x7F) {
            AppendHex(out, lead);
        } else if (length == 2 && lead == 0xC2 && static_cast<std::uint8_t>(text[1]) < 0xA0) {
            // A C1 control, U+0080 to U+009F: each of its bytes.
            AppendHex(out, lead);
            AppendHex(out, static_cast<std::uint8_t>(text[1]));
        } else {
            out.append(text.substr(0, length));
            text.remove_prefix(length);
            continue;
        }
        text.remove_prefix(length == 0 ? 1 : length);
    }
    return out;
}

void SayOnStandardError(std::string_view program, std::string_view text) {
    const std::string line = Escaped(program) + ": " + Escaped(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

} // namespace klavet
