#include "support/FileSystem.h"
#include "support/FileIterator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "tests/Printers.h"
#include "tests/TempDir.h"

using Names = std::set<std::string>;

// A share's name answers without the system. Two slashes are one here, and an
// empty or relative path is where the current directory is.
TEST(FileSystemTest, IsNetworkPath) {
    EXPECT_TRUE(IsNetworkPath(Chaine("\\\\server\\share\\dir")));
    for (const char* p : {"//dev/shm/x", "C:\\data", "/dev/shm", "", "relative/dir"}) {
        EXPECT_FALSE(IsNetworkPath(Chaine(p))) << p;
    }
}

TEST(FileSystemTest, IsRootPath) {
    for (const char* p : {"C:", "C:\\", "\\\\server", "\\\\server\\share", "\\\\server\\share\\",
                          "/", "//", "///"}) {
        EXPECT_TRUE(IsRootPath(Chaine(p))) << p;
    }
    for (const char* p : {"", "C", "C:\\x", "\\\\server\\share\\dir", "/srv", "//srv", "//srv/x"}) {
        EXPECT_FALSE(IsRootPath(Chaine(p))) << p;
    }
}

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
    EXPECT_TRUE(CreateDirectoryPath(Chaine(".")));
}

TEST(FileSystemTest, TheTemporaryDirectoryIsReadOnceAndCopied) {
    setenv("TMPDIR", "/var/tmp//", 1);
    const Chaine first = GetTempDirectory();
    setenv("TMPDIR", "/somewhere/else", 1);
    const Chaine second = GetTempDirectory();
    unsetenv("TMPDIR");
    EXPECT_EQ(first, "/var/tmp/") << "with one trailing separator";
    EXPECT_EQ(second, first);
    EXPECT_NE(second.c_str(), first.c_str()) << "every caller gets its own copy";
}

// The [Settings] section of the first system-wide file, in UTF-8 there; a
// default without it.
TEST(FileSystemTest, FoldersBaseComesFromTheSystemSettings) {
    TempDir dir;
    std::filesystem::create_directories(dir.File("xdg/Quarn"));
    WriteFile(dir.File("xdg/Quarn/Common.conf"),
              "[Other]\nFoldersBase=/wrong\n\n[Settings]\nFoldersBase=" + dir.File("données/"));
    setenv("XDG_CONFIG_DIRS", (dir.File("xdg") + ":/etc/xdg").c_str(), 1);  // the first one
    Chaine folder;
    EXPECT_TRUE(GetFoldersBase(folder, false));
    EXPECT_EQ(folder, Chaine::FromUtf8(dir.File("données"))) << "one trailing separator removed";
    EXPECT_FALSE(std::filesystem::exists(dir.File("données")));
    EXPECT_TRUE(GetFoldersBase(folder, true));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("données")));
    setenv("XDG_CONFIG_DIRS", dir.File("none").c_str(), 1);
    EXPECT_FALSE(GetFoldersBase(folder, false));
    EXPECT_EQ(folder, "/mnt/Quarn/Dossiers");
    unsetenv("XDG_CONFIG_DIRS");
}

namespace {

// Walks `search` (relative to `base` unless it is a "<...>" drive pattern) and
// gives the paths found, relative to `base`.
Names Walk(const std::string& base, const std::string& search, uint8_t flags,
           void (*lists)(FileIterator&) = nullptr) {
    FileIterator it;
    it.SetSearch(Chaine(std::string_view(search[0] == '<' ? search : base + search)));
    it.SetFlags(flags);
    if (lists) lists(it);
    Names found;
    for (bool ok = it.First(); ok; ok = it.Next()) {
        const std::string path = it.GetPath().c_str();
        found.insert(search[0] == '<' ? path : path.substr(base.size()));
    }
    return found;
}

}  // namespace

TEST(FileIteratorTest, PatternsFlagsListsAndRecursion) {
    TempDir dir;
    for (const char* d : {"sub/deep", ".hidden", "skip"}) std::filesystem::create_directories(dir.File(d));
    for (const char* f : {"a.txt", "b.log", ".dot.txt", "sub/c.txt", "sub/deep/d.txt", "skip/e.txt",
                          ".hidden/f.txt"}) {
        WriteFile(dir.File(f), "x");
    }
    using F = FileIterator;
    const std::string b = dir.Path();
    EXPECT_EQ(Walk(b, "/*.txt", 0), (Names{"/a.txt", "/.dot.txt"}));
    EXPECT_EQ(Walk(b, "/*.txt", F::kRefuseHidden), (Names{"/a.txt"}));
    EXPECT_EQ(Walk(b, "/", F::kRecurse | F::kRefuseHidden, [](F& it) {
                  it.FileInclusions().Add(Chaine("*.TXT"));
                  it.DirectoryExclusions().Add(Chaine("*/skip"));
              }),
              (Names{"/a.txt", "/sub/c.txt", "/sub/deep/d.txt"}));
    EXPECT_EQ(Walk(b, "/", F::kRecurse | F::kRefuseHidden, [](F& it) {
                  it.FileExclusions().Add(Chaine("c.*"));
                  it.FolderInclusions().Add(Chaine("*/deep"));
              }),
              (Names{"/sub/deep/d.txt"}));
    EXPECT_EQ(Walk(b, "/*", F::kReportDirectories | F::kRefuseHidden),
              (Names{"/a.txt", "/b.log", "/sub", "/skip"}));
    EXPECT_EQ(Walk(b, "/*", F::kReportDirectories | F::kPatternsApplyToDirectories | F::kRefuseHidden,
                   [](F& it) { it.FileInclusions().Add(Chaine("s*")); }),
              (Names{"/sub", "/skip"}));
}

TEST(FileIteratorTest, DrivePseudoPatternsFollowTheKindOfEachMount) {
    const Names hard = Walk("", "<HardDrives>", FileIterator::kReportDirectories);
    const Names local = Walk("", "<LocalDrives>", FileIterator::kReportDirectories);
    const Names all = Walk("", "<Tout>", FileIterator::kReportDirectories);
    EXPECT_TRUE(hard.count("/")) << "the root disk is a hard drive";
    EXPECT_FALSE(hard.count("/dev/shm/")) << "a RAM disk is not";
    EXPECT_TRUE(local.count("/dev/shm/"));
    EXPECT_FALSE(all.count("/proc/")) << "kernel file systems are no drives";
    for (const auto& d : hard) EXPECT_TRUE(local.count(d)) << d;
    for (const auto& d : local) EXPECT_TRUE(all.count(d)) << d;
}
