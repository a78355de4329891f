#include "argument_text.h"

#include "terminal_line.h"

namespace klavet {

namespace {

constexpr char16_t kFirstStandIn = 0xDC80;

// A lone low surrogate in the range: the second half of a pair (a character
// past U+FFFF) is not one.
bool StandsInForAByte(const QString& text, qsizetype i) {
    const char16_t c = text[i].unicode();
    return c >= kFirstStandIn && c <= 0xDCFF && !(i > 0 && text[i - 1].isHighSurrogate());
}

} // namespace

QString ArgumentText(std::string_view bytes) {
    QString text;
    while (!bytes.empty()) {
        const std::size_t length = Utf8SequenceLength(bytes);
        if (length == 0) {
            text += QChar(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[0])));
            bytes.remove_prefix(1);
        } else {
            text += QString::fromUtf8(bytes.data(), static_cast<qsizetype>(length));
            bytes.remove_prefix(length);
        }
    }
    return text;
}

std::string ArgumentBytes(const QString& text) {
    std::string bytes;
    qsizetype start = 0;
    const auto flush = [&](qsizetype end) { bytes += text.mid(start, end - start).toStdString(); };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!StandsInForAByte(text, i))
            continue;
        flush(i);
        bytes += static_cast<char>(text[i].unicode() - 0xDC00);
        start = i + 1;
    }
    flush(text.size());
    return bytes;
}

} // namespace klavet
