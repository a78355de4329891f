#pragma once

// The command line's bytes as text for the parser, and back, losing nothing:
// a file name may hold bytes that are not UTF-8 (the path of a key port must
// be opened exactly as given). Each such byte stands in the text as a lone
// surrogate, U+DC80 to U+DCFF, as Python carries them.

#include <QString>

#include <string>
#include <string_view>

namespace klavet {

QString ArgumentText(std::string_view bytes);
std::string ArgumentBytes(const QString& text);

} // namespace klavet
