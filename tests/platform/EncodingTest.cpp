#include "platform/Encoding.h"

#include <gtest/gtest.h>

using platform::Encoding;
using namespace std::string_literals;

// Accents, the range only Windows-1252 has, and one of its holes, which
// travels as U+0081.
TEST(EncodingTest, Windows1252BothWays) {
    const std::string utf8 = "é€‚ƒ„…Ÿ ÿ à\u0081",
                      ansi = "\xE9\x80\x82\x83\x84\x85\x9F \xFF \xE0\x81";
    EXPECT_EQ(Encoding::Utf8ToAnsi(utf8), ansi);
    EXPECT_EQ(Encoding::AnsiToUtf8(ansi), utf8);
}

// Each becomes one '?' and what follows is read again: characters the code
// page lacks, cut or malformed sequences, surrogates, values past U+10FFFF,
// NUL, and overlong forms, which would let a '/' reach another directory or a
// NUL cut a path short.
TEST(EncodingTest, WhatIsNoWindows1252CharacterBecomesAQuestionMark) {
    for (const std::string& bad :
         {"₽"s, "😀"s, "\xC3"s, "\xFF"s, "\xED\xA0\x80"s, "\xF4\x90\x80\x80"s, "\0"s, "\xC0\x80"s,
          "\xC0\xAF"s, "\xE0\x80\xAF"s, "\xF0\x80\x80\xAF"s}) {
        EXPECT_EQ(Encoding::Utf8ToAnsi("x" + bad + "y"), "x?y") << bad;
    }
    EXPECT_EQ(Encoding::Utf8ToAnsi("x\xC3"), "x?") << "cut at the end";
    EXPECT_EQ(Encoding::Utf8ToAnsi("\xC2\xA0\xE2\x82\xAC"), "\xA0\x80") << "shortest forms pass";
}
