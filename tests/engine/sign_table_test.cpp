#include "sign_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace klavet;

TEST(SignTable, HoldsTheFortyOneSignsInWalkingOrder) {
    std::string order;
    for (const SignEntry& entry : kSignTable)
        order += std::string(entry.Sign) + " ";
    EXPECT_EQ(order, "A B C D E F G H I J K L M N O P Q R S T U V W X Y Z "
                     "0 1 2 3 4 5 6 7 8 9 . , / ? BT ");
}

TEST(SignTable, SignsAndCodesAreDistinctAndWellFormed) {
    std::set<std::string_view> signs, codes;
    for (const SignEntry& entry : kSignTable) {
        signs.insert(entry.Sign);
        codes.insert(entry.Code);
        EXPECT_GE(entry.Code.size(), 1u);
        EXPECT_LE(entry.Code.size(), kSlotCount);
        EXPECT_EQ(entry.Code.find_first_not_of(".-"), std::string_view::npos) << entry.Sign;
    }
    EXPECT_EQ(signs.size(), kSignTable.size());
    EXPECT_EQ(codes.size(), kSignTable.size());
}

TEST(SignTable, CodesAreTheInternationalOnes) {
    const std::pair<const char*, const char*> known[] = {
        {"A", ".-"}, {"F", "..-."}, {"K", "-.-"}, {"Q", "--.-"}, {"Y", "-.--"}, {"0", "-----"},
        {"1", ".----"}, {"5", "....."}, {"9", "----."}, {".", ".-.-.-"}, {",", "--..--"},
        {"/", "-..-."}, {"?", "..--.."}, {"BT", "-...-"},
    };
    for (auto [sign, code] : known) {
        const SignEntry* entry = FindBySign(sign);
        ASSERT_NE(entry, nullptr) << sign;
        EXPECT_EQ(entry->Code, code) << sign;
    }
}

TEST(FindBySign, MatchesExactlyAndCaseSensitively) {
    EXPECT_EQ(FindBySign("a"), nullptr);
    ASSERT_NE(FindBySign("A"), nullptr);
    EXPECT_EQ(FindBySign("A"), &kSignTable[0]);
    EXPECT_EQ(FindBySign("BT"), &kSignTable[40]);
    EXPECT_EQ(FindBySign("B"), &kSignTable[1]);
    for (const char* nothing : {"", " ", "=", "bt", "Bt", "BT ", "AB", "!", "É"})
        EXPECT_EQ(FindBySign(nothing), nullptr) << '"' << nothing << '"';
}

TEST(FindBySlots, MatchesWholePatterns) {
    EXPECT_EQ(FindBySlots({"-", ".", ".", ".", ".", ""})->Sign, "6");
    EXPECT_EQ(FindBySlots({"-", "-", "-", "-", ".", ""})->Sign, "9");
    EXPECT_EQ(FindBySlots({".", "-", ".", "-", ".", "-"})->Sign, ".");
    EXPECT_EQ(FindBySlots({"-", ".", ".", ".", "-", ""})->Sign, "BT");
    EXPECT_EQ(FindBySlots({".", "", "-", "", "", ""}), nullptr) << "a gap inside the pattern";
    EXPECT_EQ(FindBySlots({"", "", "", "", "", ""}), nullptr);
    EXPECT_EQ(FindBySlots({".", ".", ".", ".", ".", "."}), nullptr);
    EXPECT_EQ(FindBySlots({"", ".", "", "", "", ""}), nullptr);
}

// Every row's own pattern finds that row and nothing else; every pattern
// of length 1..6 over dot and dash finds a row exactly when it is a code.
TEST(FindBySlots, AgreesWithTheTableOverEveryPattern) {
    for (const SignEntry& entry : kSignTable)
        EXPECT_EQ(FindBySlots(SlotPatternOf(entry)), &entry) << entry.Sign;

    std::set<std::string_view> codes;
    for (const SignEntry& entry : kSignTable)
        codes.insert(entry.Code);
    int matched = 0;
    for (std::size_t length = 1; length <= kSlotCount; ++length) {
        for (unsigned bits = 0; bits < (1u << length); ++bits) {
            std::string code;
            for (std::size_t k = 0; k < length; ++k)
                code += (bits >> k) & 1u ? '-' : '.';
            SlotPattern slots{};
            for (std::size_t k = 0; k < length; ++k)
                slots[k] = std::string_view(code).substr(k, 1);
            const SignEntry* entry = FindBySlots(slots);
            EXPECT_EQ(entry != nullptr, codes.count(code) == 1) << code;
            if (entry) {
                EXPECT_EQ(entry->Code, code);
                ++matched;
            }
        }
    }
    EXPECT_EQ(matched, 41);
}

TEST(SlotPatternOf, PadsWithEmptySlots) {
    EXPECT_EQ(SlotPatternOf(*FindBySign("A")), (SlotPattern{".", "-", "", "", "", ""}));
    EXPECT_EQ(SlotPatternOf(*FindBySign("0")), (SlotPattern{"-", "-", "-", "-", "-", ""}));
    EXPECT_EQ(SlotPatternOf(*FindBySign("?")), (SlotPattern{".", ".", "-", "-", ".", "."}));
}
