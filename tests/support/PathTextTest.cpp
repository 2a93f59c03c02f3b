#include "support/PathText.h"

#include <gtest/gtest.h>

#include "tests/Printers.h"

TEST(PathTextTest, RootsOfDrivesSharesAndPlainPaths) {
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"dir\\file", ""},
        {"C:", "C:"},
        {"C:file", "C:"},
        {"C:\\Windows", "C:\\"},
        {"C:/Windows", "C:/"},
        {"\\dir", "\\"},
        {"/srv/share", "\\"},
        {"\\\\server\\share\\dir", "\\\\server\\share\\"},
        {"//server/share/dir", "//server/share/"},
        {"\\\\server\\share", "\\\\server\\share\\"},
        {"\\\\server", ""},
    };
    for (const auto& [path, root] : cases) EXPECT_EQ(PathText::GetRoot(Chaine(path)), root) << path;
}

TEST(PathTextTest, NameAndDirectoryParts) {
    EXPECT_EQ(PathText::GetFileName(Chaine("/a/b.txt")), "b.txt");
    EXPECT_EQ(PathText::GetFileName(Chaine("C:b.txt")), "b.txt");
    EXPECT_EQ(PathText::GetFileName(Chaine("b.txt")), "b.txt");
    EXPECT_EQ(PathText::GetFileName(Chaine("C:\\")), "");
    EXPECT_EQ(PathText::GetDirectory(Chaine("/a/b.txt")), "/a");
    EXPECT_EQ(PathText::GetDirectory(Chaine("/b.txt")), "/");
    EXPECT_EQ(PathText::GetDirectory(Chaine("C:b")), "C:");
    EXPECT_EQ(PathText::GetDirectory(Chaine("b")), "");
    EXPECT_TRUE(PathText::HasInvalidNameChar(Chaine("/a/b*")));
    EXPECT_FALSE(PathText::HasInvalidNameChar(Chaine("/a*/b")));
}

TEST(PathTextTest, DotComponentsAreDropped) {
    const std::pair<const char*, const char*> cases[] = {
        {".", ""},
        {"C:\\a\\.\\b\\c", "C:\\a/b/c"},
        {"/a/./b/.", "/a/b"},
        {"./a", "a"},
        {"a/b/", "a/b/"},
        {"/", "/"},
        {"\\\\server\\share\\.\\x", "\\\\server\\share\\x"},
    };
    for (const auto& [path, clean] : cases) {
        EXPECT_EQ(PathText::RemoveDots(Chaine(path)), clean) << path;
    }
}
