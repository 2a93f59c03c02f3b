#include "support/FileIterator.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "tests/Printers.h"
#include "tests/TempDir.h"

namespace {

std::set<std::string> Walk(FileIterator& it) {
    std::set<std::string> found;
    for (bool ok = it.First(); ok; ok = it.Next()) found.insert(it.GetPath().c_str());
    return found;
}

class Tree : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.File("sub/deep"));
        std::filesystem::create_directories(dir.File(".hidden"));
        std::filesystem::create_directories(dir.File("skip"));
        for (const char* f : {"a.txt", "b.log", ".dot.txt", "sub/c.txt", "sub/deep/d.txt",
                              "skip/e.txt", ".hidden/f.txt"}) {
            WriteFile(dir.File(f), "x");
        }
    }
    std::string P(const char* rel) const { return dir.File(rel); }
    TempDir dir;
};

}  // namespace

TEST_F(Tree, OneDirectoryThroughTheSearchPattern) {
    FileIterator it;
    it.SetSearch(Chaine(std::string_view(dir.File("*.txt"))));
    EXPECT_EQ(Walk(it), (std::set<std::string>{P("a.txt"), P(".dot.txt")}));
    it.SetFlags(FileIterator::kRefuseHidden);
    EXPECT_EQ(Walk(it), (std::set<std::string>{P("a.txt")}));
}

TEST_F(Tree, RecursionWithListsAndExclusions) {
    FileIterator it;
    it.SetSearch(Chaine(std::string_view(dir.Path() + "/")));
    it.SetFlags(FileIterator::kRecurse | FileIterator::kRefuseHidden);
    it.FileInclusions().Add(Chaine("*.TXT"));
    it.DirectoryExclusions().Add(Chaine("*/skip"));
    EXPECT_EQ(Walk(it), (std::set<std::string>{P("a.txt"), P("sub/c.txt"), P("sub/deep/d.txt")}));
    it.FileExclusions().Add(Chaine("c.*"));
    it.FolderInclusions().Add(Chaine("*/deep"));
    EXPECT_EQ(Walk(it), (std::set<std::string>{P("sub/deep/d.txt")}));
}

TEST_F(Tree, DirectoriesAsEntries) {
    FileIterator it;
    it.SetSearch(Chaine(std::string_view(dir.File("*"))));
    it.SetFlags(FileIterator::kReportDirectories | FileIterator::kRefuseHidden);
    EXPECT_EQ(Walk(it), (std::set<std::string>{P("a.txt"), P("b.log"), P("sub"), P("skip")}));
    it.SetFlags(FileIterator::kReportDirectories | FileIterator::kPatternsApplyToDirectories |
                FileIterator::kRefuseHidden);
    it.FileInclusions().Add(Chaine("s*"));
    EXPECT_EQ(Walk(it), (std::set<std::string>{P("sub"), P("skip")}));
}

TEST(FileIteratorTest, DrivePseudoPatternsFollowTheKindOfEachMount) {
    auto drives = [](const char* pattern) {
        FileIterator it;
        it.SetSearch(Chaine(pattern));
        it.SetFlags(FileIterator::kReportDirectories);
        return Walk(it);
    };
    const auto hard = drives("<HardDrives>");
    const auto local = drives("<LocalDrives>");
    const auto all = drives("<Tout>");
    EXPECT_TRUE(hard.count("/")) << "the root disk is a hard drive";
    EXPECT_FALSE(hard.count("/dev/shm/")) << "a RAM disk is not";
    EXPECT_TRUE(local.count("/dev/shm/"));
    EXPECT_FALSE(all.count("/proc/")) << "kernel file systems are no drives";
    for (const auto& d : hard) EXPECT_TRUE(local.count(d)) << d;
    for (const auto& d : local) EXPECT_TRUE(all.count(d)) << d;
}
