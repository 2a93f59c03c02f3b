#include "support/FileSystem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/Printers.h"
#include "tests/TempDir.h"

namespace fs = std::filesystem;

namespace {
Chaine C(const std::string& s) { return Chaine(std::string_view(s)); }
}  // namespace

TEST(FileSystemTest, NetworkPaths) {
    EXPECT_TRUE(IsNetworkPath(Chaine("\\\\server\\share\\dir")));
    // Two slashes are one here: the mount table answers, as for any path.
    EXPECT_FALSE(IsNetworkPath(Chaine("//dev/shm/x")));
    EXPECT_FALSE(IsNetworkPath(Chaine("C:\\data")));
    EXPECT_FALSE(IsNetworkPath(Chaine("/dev/shm")));
    TempDir disk;
    EXPECT_FALSE(IsNetworkPath(C(disk.Path())));
    EXPECT_FALSE(IsNetworkPath(Chaine("")));
    EXPECT_FALSE(IsNetworkPath(Chaine("relative/dir")));
}

TEST(FileSystemTest, AbsoluteAndRootPaths) {
    for (const char* p : {"\\\\server\\share", "C:\\x", "C:/x", "/srv"}) {
        EXPECT_TRUE(IsAbsolutePath(Chaine(p))) << p;
    }
    for (const char* p : {"", "x", "C:x", "dir/file"}) EXPECT_FALSE(IsAbsolutePath(Chaine(p))) << p;
    for (const char* p : {"C:", "C:\\", "\\\\server", "\\\\server\\share", "\\\\server\\share\\",
                          "/", "//", "///"}) {
        EXPECT_TRUE(IsRootPath(Chaine(p))) << p;
    }
    for (const char* p :
         {"", "C", "C:\\x", "\\\\server\\share\\dir", "/srv", "//srv", "//srv/new"}) {
        EXPECT_FALSE(IsRootPath(Chaine(p))) << p;
    }
}

TEST(FileSystemTest, ExistenceOfFilesAndDirectories) {
    TempDir dir;
    WriteFile(dir.File("f.txt"), "x");
    EXPECT_TRUE(FileExists(C(dir.File("f.txt"))));
    EXPECT_FALSE(FileExists(C(dir.Path())));
    EXPECT_FALSE(FileExists(C(dir.File("f*.txt")))) << "no wildcard search";
    EXPECT_FALSE(FileExists(Chaine("")));
    EXPECT_TRUE(DirectoryExists(C(dir.Path())));
    EXPECT_TRUE(DirectoryExists(C(dir.Path() + "//")));
    EXPECT_FALSE(DirectoryExists(C(dir.File("f.txt"))));
    EXPECT_FALSE(DirectoryExists(C(dir.File("none"))));
    EXPECT_FALSE(DirectoryExists(Chaine("C:\\")));
    EXPECT_TRUE(PathExists(C(dir.File("f.txt"))));
    EXPECT_TRUE(PathExists(C(dir.Path())));
    EXPECT_FALSE(PathExists(C(dir.File("none"))));
    // A backslash is part of a name here, and such names are refused.
    EXPECT_FALSE(FileExists(C(dir.Path() + "\\f.txt")));
}

TEST(FileSystemTest, CreateDirectoryPathMakesEveryMissingLevel) {
    TempDir dir;
    EXPECT_TRUE(CreateDirectoryPath(C(dir.Path() + "\\a\\.\\b\\c")));
    EXPECT_TRUE(fs::is_directory(dir.File("a/b/c")));
    EXPECT_TRUE(CreateDirectoryPath(C(dir.File("a/b/c/"))));  // already there
    WriteFile(dir.File("a/file"), "x");
    EXPECT_FALSE(CreateDirectoryPath(C(dir.File("a/file/sub"))));
    EXPECT_FALSE(CreateDirectoryPath(C(dir.File("a/file"))));
    EXPECT_EQ(ReadFile(dir.File("a/file")), "x");
    EXPECT_TRUE(CreateDirectoryPath(Chaine(".")));
}

TEST(FileSystemTest, FoldersBaseComesFromTheSystemSettings) {
    TempDir dir;
    fs::create_directories(dir.File("xdg/Quarn"));
    WriteFile(dir.File("xdg/Quarn/Common.conf"), "[Settings]\nFoldersBase=" + dir.File("data/"));
    setenv("XDG_CONFIG_DIRS", dir.File("xdg").c_str(), 1);
    Chaine folder;
    EXPECT_TRUE(GetFoldersBase(folder, false));
    EXPECT_EQ(folder, dir.File("data").c_str()) << "one trailing separator removed";
    EXPECT_FALSE(fs::exists(dir.File("data")));
    EXPECT_TRUE(GetFoldersBase(folder, true));
    EXPECT_TRUE(fs::is_directory(dir.File("data")));

    setenv("XDG_CONFIG_DIRS", dir.File("nothing").c_str(), 1);
    EXPECT_FALSE(GetFoldersBase(folder, false));
    EXPECT_EQ(folder, "/mnt/Quarn/Dossiers");
    unsetenv("XDG_CONFIG_DIRS");
}

TEST(FileSystemTest, TheTemporaryDirectoryIsReadOnceAndCopied) {
    setenv("TMPDIR", "/var/tmp", 1);
    const Chaine first = GetTempDirectory();
    setenv("TMPDIR", "/somewhere/else", 1);
    const Chaine second = GetTempDirectory();
    unsetenv("TMPDIR");
    EXPECT_EQ(first, "/var/tmp/");
    EXPECT_EQ(second, first);
    EXPECT_NE(second.c_str(), first.c_str()) << "every caller gets its own copy";
}
