#pragma once

// The lines the program writes for the learner on standard error, each one
// line whatever it names: control characters, and bytes that are not UTF-8
// (a file name may hold any byte), are written as escapes. Plain C++.

#include <cstddef>
#include <string>
#include <string_view>

namespace klavet {

// `text` with "\n", "\t", "\\" for a backslash and "\xNN" for any other
// control character (C0, DEL, C1) or byte of no valid UTF-8 sequence; all
// else, printable UTF-8 included, as it is.
std::string Escaped(std::string_view text);

// The length of the valid UTF-8 sequence at the start of non-empty `text`, 0
// if none begins there: no overlong form, no surrogate, nothing past U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view text);

// Writes "program: text" and a newline on standard error, escaped.
void SayOnStandardError(std::string_view program, std::string_view text);

} // namespace klavet
