#include "support/FileSystem.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/TempDir.h"

TEST(FileSystemTest, CreateDirectoryPathMakesEveryMissingLevel) {
    auto C = [](const std::string& s) { return Chaine(std::string_view(s)); };
    TempDir dir;
    EXPECT_TRUE(CreateDirectoryPath(C(dir.Path() + "\\a\\.\\b\\c")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("a/b/c")));
    EXPECT_TRUE(CreateDirectoryPath(C(dir.File("a/b/c/")))) << "already there";
    WriteFile(dir.File("a/file"), "x");
    EXPECT_FALSE(CreateDirectoryPath(C(dir.File("a/file/sub"))));
    EXPECT_FALSE(CreateDirectoryPath(C(dir.File("a/file"))));
    EXPECT_EQ(ReadFile(dir.File("a/file")), "x");
    for (const char* there : {".", "/", "//", "///"})
        EXPECT_TRUE(CreateDirectoryPath(Chaine(there))) << there;
}
