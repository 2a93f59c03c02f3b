#include "support/PathText.h"
#include "support/TimeText.h"
#include "support/Wildcard.h"
#include "support/RtfReader.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <tuple>

#include "tests/Printers.h"
#include "tests/TempDir.h"

using Cases = std::initializer_list<std::pair<const char*, const char*>>;

namespace {
void Check(Chaine (*routine)(const Chaine&), Cases cases) {
    for (auto [path, expected] : cases) EXPECT_EQ(routine(Chaine(path)), expected) << path;
}
}  // namespace

TEST(PathTextTest, GetFileNameAndGetDirectory) {
    Check(PathText::GetFileName, {{"/a/b.txt", "b.txt"}, {"C:b.txt", "b.txt"}, {"b", "b"}});
    Check(PathText::GetDirectory, {{"/a/b.txt", "/a"}, {"/b", "/"}, {"C:b", "C:"}, {"b", ""}});
    EXPECT_TRUE(PathText::HasInvalidNameChar(Chaine("/a/b*")));
    EXPECT_FALSE(PathText::HasInvalidNameChar(Chaine("/a*/b"))) << "only the name counts";
}

// The root (drive, share or separator) stays as it was written.
TEST(PathTextTest, RemoveDots) {
    Check(PathText::RemoveDots, {{".", ""},
                                 {"./a", "a"},
                                 {"a/b/", "a/b/"},
                                 {"/a/./b/.", "/a/b"},
                                 {"C:.\\a", "C:a"},
                                 {"C:\\a\\.\\b\\c", "C:\\a/b/c"},
                                 {"\\\\server\\share\\.\\x", "\\\\server\\share\\x"},
                                 {"\\\\server\\share", "\\\\server\\share"}});
}

TEST(TimeTextTest, DurationWords) {
    const std::pair<int32_t, const char*> cases[] = {
        {0, "inconnu"},
        {499, "0 seconde"},
        {500, "1 seconde"},
        {2500, "3 secondes"},
        {59999, "1 minute 0 seconde"},
        {125000, "2 minutes 5 secondes"},
        {3599499, "59 minutes 59 secondes"},
        {3600000, "1 heure 0 minute"},
        {7320000, "2 heures 2 minutes"},
        {90000000, "1 jour 1 heure"},
        {INT32_MAX, "24 jours 20 heures"},
    };
    for (const auto& [ms, text] : cases) EXPECT_EQ(FormatDurationWords(ms), text) << ms;
}

TEST(TimeTextTest, TimeOfDayInItsFourModes) {
    platform::SystemTime st;
    st.hour = 9, st.minute = 5, st.second = 7, st.milliseconds = 999;
    const TimeOfDay t = TimeOfDay::FromSystemTime(st);
    EXPECT_EQ(t.hundredths, 99);
    const char* const modes[] = {"", "09:05", "0905", "09:05:07", "090507", ""};
    for (int mode = 0; mode <= 5; ++mode) EXPECT_EQ(FormatTimeOfDay(t, mode, ':'), modes[mode]) << mode;
}

// {text, pattern, ignore case, whole text, characters matched}, in UTF-8 here.
TEST(WildcardTest, SpecialCharactersCaseAndWholeText) {
    const std::tuple<const char*, const char*, bool, bool, int> cases[] = {
        {"report42.txt", "report##.*", true, true, 12}, {"reportAB.txt", "report##.*", true, true, 0},
        {"readme", "[!r]*", true, true, 0},             {"lisez", "[!r]*", true, true, 5},
        {"b", "[a-c]", true, true, 1},                  {"d", "[a-c]", true, true, 0},
        {"-", "[a`-c]", true, true, 1},                 {"a?", "a`?", true, true, 2},
        {"ab", "a`?", true, true, 0},                   {"abc", "a?c", true, true, 3},
        {"", "*", true, true, 0},  // an empty text never matches
        {"README.TXT", "readme.txt", true, true, 10},   {"README.TXT", "readme.txt", false, true, 0},
        {"ÉTÉ", "été", true, true, 3},                  {"abcdef", "abc", true, true, 0},
        {"abcdef", "abc", true, false, 3},              {"ab", "abc", true, false, 0},
        {"abc", "a***", true, true, 3},                 {"aaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*c", true, true, 0},
        // Malformed patterns neither overread nor match what they should not.
        {"a", "[", true, true, 0},                      {"a", "[a", true, true, 1},
        {"a", "[!", true, true, 1},                     {"a", "`", true, true, 0},
        {"`", "`", true, true, 1},                      {"-", "[a-]", true, true, 1},
    };
    for (const auto& [text, pattern, ignoreCase, whole, matched] : cases) {
        EXPECT_EQ(MatchWildcard(Chaine::FromUtf8(text), Chaine::FromUtf8(pattern), ignoreCase, whole),
                  matched)
            << text << " ~ " << pattern;
    }
}

TEST(WildcardTest, StarsCaptureWhatTheyCover) {
    PTableau<Chaine> captures;
    EXPECT_EQ(MatchWildcard(Chaine("a.b.c.txt"), Chaine("*.*.txt"), true, true, &captures), 9);
    ASSERT_EQ(captures.GetCount(), 2u);
    EXPECT_EQ(captures[0], "a");
    EXPECT_EQ(captures[1], "b.c");
    PTableau<Chaine> none;
    EXPECT_EQ(MatchWildcard(Chaine("abc"), Chaine("*x*"), true, true, &none), 0);
    EXPECT_EQ(none.GetCount(), 0u) << "a failed match captures nothing";
}

// The fuzzer's regression inputs, malformed ones among them: each gives what
// can be read, and no run holds more text than the input had.
TEST(RtfReaderTest, MalformedInputGivesWhatCanBeRead) {
    int inputs = 0;
    for (const auto& file : std::filesystem::directory_iterator(DALVEX_RTF_REGRESSIONS)) {
        const std::string in = ReadFile(file.path().string());
        for (const auto& p : RtfReader::Parse(in)) {
            for (const auto& r : p.runs) EXPECT_LE(r.text.GetLength(), in.size()) << file.path();
        }
        ++inputs;
    }
    EXPECT_GE(inputs, 20) << "the inputs are in " DALVEX_RTF_REGRESSIONS;
    EXPECT_EQ(RtfReader::ToPlainText(RtfReader::Parse("{\\rtf1 abc")), "abc\n");
    EXPECT_EQ(RtfReader::ToPlainText(RtfReader::Parse("x\\'4")), "x\x04\n");
}
