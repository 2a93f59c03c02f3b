#include "support/PathText.h"
#include "support/RtfReader.h"

#include <gtest/gtest.h>

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

// A document cut short gives what can be read; an escape cut short, what its
// digits say. (The malformed inputs the fuzzers once broke on are replayed
// from their regression folder by every fuzzing run.)
TEST(RtfReaderTest, CutShortDocuments) {
    EXPECT_EQ(RtfReader::ToPlainText(RtfReader::Parse("{\\rtf1 abc")), "abc\n");
    EXPECT_EQ(RtfReader::ToPlainText(RtfReader::Parse("x\\'4")), "x\x04\n");
}
