#include "platform/Encoding.h"

#include <gtest/gtest.h>

using platform::Encoding;

TEST(EncodingTest, AccentsAndTheWindowsOnlyRangeRoundTrip) {
    const std::string utf8 = "é€‚ƒ„…Ÿ ÿ à";
    const std::string ansi = Encoding::Utf8ToAnsi(utf8);
    EXPECT_EQ(ansi, "\xE9\x80\x82\x83\x84\x85\x9F \xFF \xE0");
    EXPECT_EQ(Encoding::AnsiToUtf8(ansi), utf8);
}

TEST(EncodingTest, WhatTheCodePageCannotHoldBecomesAQuestionMark) {
    EXPECT_EQ(Encoding::Utf8ToAnsi("a\xE2\x82\xBD"
                                   "b"),
              "a?b");                                          // ruble sign
    EXPECT_EQ(Encoding::Utf8ToAnsi("\xF0\x9F\x98\x80"), "?");  // emoji
    EXPECT_EQ(Encoding::Utf8ToAnsi("x\xC3"), "x?");            // cut sequence
    EXPECT_EQ(Encoding::Utf8ToAnsi("\xC3(z"), "?(z");          // bad continuation
    EXPECT_EQ(Encoding::Utf8ToAnsi("\xFF"), "?");
}

// Forms that decode to a character without being its one UTF-8 spelling must
// not pass: an overlong '/' would let a name reach another directory, an
// overlong NUL would cut the path short.
TEST(EncodingTest, OverlongFormsSurrogatesAndNulAreNoCharacters) {
    const struct {
        std::string utf8, ansi;
    } cases[] = {
        {"x\xC0\xAFy", "x?y"},                 // '/' in two bytes
        {"x\xE0\x80\xAFy", "x?y"},             // '/' in three
        {"x\xF0\x80\x80\xAFy", "x?y"},         // '/' in four
        {"z\xC0\x80", "z?"},                   // NUL in two bytes
        {std::string("a\0b", 3), "a?b"},       // NUL itself
        {"\xED\xA0\x80", "?"},                 // a surrogate
        {"\xF4\x90\x80\x80", "?"},             // past U+10FFFF
        {"\xC2\xA0\xE2\x82\xAC", "\xA0\x80"},  // the shortest forms still pass
    };
    for (const auto& c : cases) EXPECT_EQ(Encoding::Utf8ToAnsi(c.utf8), c.ansi) << c.utf8;
}

TEST(EncodingTest, HolesOfTheCodePagePassThroughAsControls) {
    // 0x81 has no character in Windows-1252: it travels as U+0081 and back.
    EXPECT_EQ(Encoding::AnsiToUtf8("\x81"), "\xC2\x81");
    EXPECT_EQ(Encoding::Utf8ToAnsi("\xC2\x81"), "\x81");
}
