// Lines for the learner stay one line and lose nothing of what they name.

#include "terminal_line.h"

#include <gtest/gtest.h>

#include <random>

namespace klavet {
namespace {

// Reads the escapes back.
std::string Unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        const char kind = text.at(++i);
        if (kind == 'n')
            out += '\n';
        else if (kind == 't')
            out += '\t';
        else if (kind == '\\')
            out += '\\';
        else if (kind == 'x')
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)), i += 2;
        else
            ADD_FAILURE() << "unknown escape in " << text;
    }
    return out;
}

TEST(TerminalLine, NamesWithControlsOrOddBytesAreEscapedOthersAsTheyAre) {
    EXPECT_EQ(Escaped("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(Escaped("/tmp/port\nnext"), "/tmp/port\\nnext");
    EXPECT_EQ(Escaped("a\tb\x1b[31m\x7f"), "a\\tb\\x1b[31m\\x7f");
    EXPECT_EQ(Escaped("caf\xe9"), "caf\\xe9") << "Latin-1, not UTF-8";
    EXPECT_EQ(Escaped("caf\xc3\xa9 \xe2\x86\x92 \xf0\x9f\x93\xbb"), "caf\xc3\xa9 \xe2\x86\x92 \xf0\x9f\x93\xbb");
    EXPECT_EQ(Escaped("\xc2\x85"), "\\xc2\\x85") << "a C1 control";
    EXPECT_EQ(Escaped("\xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80"), "\\xc0\\xaf \\xed\\xa0\\x80 \\xf4\\x90\\x80\\x80")
        << "overlong, surrogate, past U+10FFFF";
    EXPECT_EQ(Escaped("\xe2\x86"), "\\xe2\\x86") << "cut short";
    EXPECT_EQ(Escaped(std::string("a\0b", 3)), "a\\x00b");
    EXPECT_EQ(Escaped("C:\\x41"), "C:\\\\x41") << "a backslash is never taken for an escape";
}

TEST(TerminalLine, AnyBytesComeOutAsOnePrintableLineThatReadsBackTheSame) {
    std::mt19937 random(7);
    for (int run = 0; run < 20000; ++run) {
        std::string text(random() % 12, '\0');
        for (char& c : text)
            c = static_cast<char>(random() % 4 == 0 ? 0x80 + random() % 0x80 : random() % 0x100);
        const std::string escaped = Escaped(text);
        for (char c : escaped)
            ASSERT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7f) << "run " << run;
        ASSERT_EQ(Unescaped(escaped), text) << "run " << run;
    }
}

} // namespace
} // namespace klavet
