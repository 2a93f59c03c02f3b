#include "support/Wildcard.h"

#include <gtest/gtest.h>

#include "tests/Printers.h"

namespace {
int Match(const char* text, const char* pattern, bool ignoreCase = true, bool whole = true) {
    return MatchWildcard(Chaine(text), Chaine(pattern), ignoreCase, whole);
}
}  // namespace

TEST(WildcardTest, TheSpecialCharacters) {
    EXPECT_EQ(Match("report42.txt", "report##.*"), 12);
    EXPECT_EQ(Match("reportAB.txt", "report##.*"), 0);
    EXPECT_EQ(Match("readme", "[!r]*"), 0);
    EXPECT_EQ(Match("lisez", "[!r]*"), 5);
    EXPECT_EQ(Match("b", "[a-c]"), 1);
    EXPECT_EQ(Match("d", "[a-c]"), 0);
    EXPECT_EQ(Match("-", "[a`-c]"), 1);
    EXPECT_EQ(Match("a?", "a`?"), 2);
    EXPECT_EQ(Match("ab", "a`?"), 0);
    EXPECT_EQ(Match("abc", "a?c"), 3);
    EXPECT_EQ(Match("", "*"), 0) << "an empty text never matches";
}

TEST(WildcardTest, CaseAndWholeText) {
    EXPECT_EQ(Match("README.TXT", "readme.txt", true), 10);
    EXPECT_EQ(Match("README.TXT", "readme.txt", false), 0);
    EXPECT_EQ(Match("\xC9T\xC9", "\xE9t\xE9", true), 3);
    EXPECT_EQ(Match("abcdef", "abc", true, true), 0);
    EXPECT_EQ(Match("abcdef", "abc", true, false), 3);
    EXPECT_EQ(Match("ab", "abc", true, false), 0);
}

TEST(WildcardTest, StarsBacktrackAndCapture) {
    PTableau<Chaine> captures;
    EXPECT_EQ(MatchWildcard(Chaine("a.b.c.txt"), Chaine("*.*.txt"), true, true, &captures), 9);
    ASSERT_EQ(captures.GetCount(), 2u);
    EXPECT_EQ(captures[0], "a");
    EXPECT_EQ(captures[1], "b.c");
    PTableau<Chaine> none;
    EXPECT_EQ(MatchWildcard(Chaine("abc"), Chaine("*x*"), true, true, &none), 0);
    EXPECT_EQ(none.GetCount(), 0u) << "a failed match captures nothing";
    EXPECT_EQ(Match("abc", "a***"), 3);
    EXPECT_EQ(Match("aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*c"), 0);
}

TEST(WildcardTest, MalformedPatternsDoNotOverread) {
    EXPECT_EQ(Match("a", "["), 0);
    EXPECT_EQ(Match("a", "[a"), 1);
    EXPECT_EQ(Match("a", "[!"), 1);
    EXPECT_EQ(Match("a", "`"), 0);
    EXPECT_EQ(Match("`", "`"), 1);
    EXPECT_EQ(Match("-", "[a-]"), 1);
}
