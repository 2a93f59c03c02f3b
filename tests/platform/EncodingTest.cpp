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

TEST(EncodingTest, HolesOfTheCodePagePassThroughAsControls) {
    // 0x81 has no character in Windows-1252: it travels as U+0081 and back.
    EXPECT_EQ(Encoding::AnsiToUtf8("\x81"), "\xC2\x81");
    EXPECT_EQ(Encoding::Utf8ToAnsi("\xC2\x81"), "\x81");
}
