#include "platform/FileApi.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "platform/SystemError.h"
#include "tests/TempDir.h"

namespace fs = std::filesystem;
using platform::FileApi;
using platform::FileHandle;
using platform::FileId;
using platform::kNullHandle;
using platform::LastError;

namespace {

// A file made the way the engine makes its files: a fresh temporary name.
struct Made {
    std::string name;
    FileId id;
};

Made MakeFile(const std::string& dir) {
    Made m;
    EXPECT_TRUE(FileApi::MakeTempFileName(dir, "VXR", &m.name, &m.id)) << dir;
    return m;
}

// Writes `content` through a fresh handle and closes it.
void WriteThrough(const Made& f, const std::string& content, bool writeThrough) {
    FileHandle h = FileApi::Open(f.name, writeThrough, f.id);
    ASSERT_NE(h, kNullHandle);
    uint32_t written = 0;
    ASSERT_TRUE(FileApi::Write(h, content.data(), static_cast<uint32_t>(content.size()), &written));
    EXPECT_EQ(written, content.size());
    ASSERT_TRUE(FileApi::Close(h, writeThrough));
}

}  // namespace

TEST(FileApiTest, WriteSeekReadOnTheLocalDiskAndOnTmpfs) {
    TempDir disk;
    TempDir shm("/dev/shm");
    for (const std::string& dir : {disk.Path(), shm.Path()}) {
        for (bool writeThrough : {false, true}) {
            const Made f = MakeFile(dir);
            WriteThrough(f, "hello world", writeThrough);

            FileHandle h = FileApi::Open(f.name, writeThrough, f.id);  // open-always keeps it
            ASSERT_NE(h, kNullHandle);
            uint64_t end = 0;
            ASSERT_TRUE(FileApi::Seek(h, 0, SEEK_END, &end));
            EXPECT_EQ(end, 11u);
            uint32_t written = 0;
            ASSERT_TRUE(FileApi::Write(h, "!", 1, &written));
            ASSERT_TRUE(FileApi::Seek(h, 6, SEEK_SET));
            char buffer[64] = {};
            uint32_t got = 0;
            ASSERT_TRUE(FileApi::Read(h, buffer, sizeof buffer, &got));
            EXPECT_EQ(std::string(buffer, got), "world!");
            ASSERT_TRUE(FileApi::Read(h, buffer, sizeof buffer, &got));
            EXPECT_EQ(got, 0u) << "end of file is a successful read of nothing";
            ASSERT_TRUE(FileApi::Close(h, writeThrough));
            ASSERT_TRUE(FileApi::Delete(f.name));
            EXPECT_FALSE(fs::exists(f.name));
        }
    }
}

TEST(FileApiTest, RefusedCharactersAndBackslashesFailWith123) {
    TempDir dir;
    fs::create_directory(dir.File("sub"));
    const std::string nul("a\0b", 3);
    for (const std::string& bad : {std::string("a*b"), std::string("a?b"), std::string("a\"b"),
                                   std::string("a<b"), std::string("a>b"), std::string("a|b"),
                                   std::string("sub\\b"), std::string("sub\\..\\..\\x"), nul}) {
        std::string name;
        FileId id;
        LastError::Set(0);
        EXPECT_EQ(FileApi::Open(dir.File(bad), false, id), kNullHandle) << bad;
        EXPECT_EQ(LastError::Get(), 123u) << bad;
        EXPECT_FALSE(FileApi::MakeTempFileName(dir.File(bad), "VXA", &name, &id)) << bad;
        EXPECT_EQ(LastError::Get(), 123u) << bad;
    }
    EXPECT_TRUE(Snapshot(dir.Path()).empty()) << "no stray file: " << Listing(dir.Path());
    EXPECT_TRUE(fs::is_empty(dir.File("sub")));
}

TEST(FileApiTest, AccentedNamesReachTheSystemAsUtf8) {
    TempDir dir;
    fs::create_directory(dir.File("résumé"));
    const Made f = MakeFile(dir.Path() + "/r\xE9sum\xE9");  // Windows-1252 é
    EXPECT_FALSE(fs::is_empty(dir.File("résumé")));
    EXPECT_TRUE(FileApi::Delete(f.name));
}

TEST(FileApiTest, FailuresCarryTheMappedCodeAndTheErrno) {
    TempDir dir;
    const FileId none;
    EXPECT_EQ(FileApi::Open(dir.File("missing"), false, none), kNullHandle);
    EXPECT_EQ(LastError::Get(), 2u) << "the file is gone: it is not made again";
    EXPECT_EQ(LastError::GetErrno(), ENOENT);
    EXPECT_FALSE(fs::exists(dir.File("missing")));
    EXPECT_FALSE(FileApi::Delete(dir.File("nothing")));
    EXPECT_EQ(LastError::Get(), 2u);
    EXPECT_EQ(FileApi::Open(dir.Path(), false, none), kNullHandle);
    EXPECT_EQ(LastError::Get(), 5u) << "a directory is not a file";
    WriteFile(dir.File("plain"), "x");
    EXPECT_EQ(FileApi::Open(dir.File("plain/child"), false, none), kNullHandle);
    EXPECT_EQ(LastError::Get(), 3u) << "a file used as a directory";
    uint32_t got = 0;
    char c;
    EXPECT_FALSE(FileApi::Read(-1, &c, 1, &got));
    EXPECT_EQ(LastError::Get(), 6u);
    EXPECT_FALSE(FileApi::Seek(-1, 0, SEEK_SET));
    EXPECT_EQ(LastError::Get(), 6u);
    // A symbolic link loop has no code of its own: 1117, and the errno tells.
    fs::create_symlink(dir.File("loop"), dir.File("loop"));
    std::string name;
    FileId id;
    EXPECT_FALSE(FileApi::MakeTempFileName(dir.File("loop"), "VXA", &name, &id));
    EXPECT_EQ(LastError::Get(), 1117u);
    EXPECT_EQ(LastError::GetErrno(), ELOOP);
}

// Another process puts something else under the name of a file the program
// made, or takes the file away: no open may then reach another file, hang, or
// make a file again, and the victim keeps its bytes.
TEST(FileApiTest, ANameThatNoLongerHoldsTheProgramsFileIsNeverWritten) {
    TempDir dir("/dev/shm");
    TempDir other;
    const std::string victim = dir.File("victim");
    const std::vector<std::pair<const char*, std::function<void(const std::string&)>>> swaps = {
        {"symbolic link",
         [&](const std::string& n) { fs::remove(n), fs::create_symlink(victim, n); }},
        {"hard link",
         [&](const std::string& n) { fs::remove(n), fs::create_hard_link(victim, n); }},
        {"another file",
         [&](const std::string& n) { WriteFile(n + ".x", "y"), fs::rename(n + ".x", n); }},
        // Made after ours went: it may well get the same inode number again.
        {"a new file", [&](const std::string& n) { fs::remove(n), WriteFile(n, "y"); }},
        // Nobody writes into it: a plain open for reading would wait for ever.
        {"pipe", [&](const std::string& n) { fs::remove(n), mkfifo(n.c_str(), 0600); }},
        {"nothing", [&](const std::string& n) { fs::remove(n); }},
    };
    struct statx st {};
    const bool birthTimes = statx(AT_FDCWD, dir.Path().c_str(), 0, STATX_BTIME, &st) == 0 &&
                            (st.stx_mask & STATX_BTIME);
    for (const auto& [how, swap] : swaps) {
        // Without birth times a new file on a reused inode number cannot be
        // told from the program's own: it is then the other process's own
        // new file that gets written, never an older one.
        if (how == std::string("a new file") && !birthTimes) continue;
        WriteFile(victim, "precious");
        const Made f = MakeFile(dir.Path());
        const Made mine = MakeFile(other.Path());
        swap(f.name);
        LastError::Set(0);
        EXPECT_EQ(FileApi::Open(f.name, false, f.id), kNullHandle) << how;
        EXPECT_NE(LastError::Get(), 0u) << how;
        EXPECT_FALSE(FileApi::Copy(f.name, f.id, mine.name, mine.id)) << how;
        // As the copy's destination, the name must not even be emptied.
        EXPECT_FALSE(FileApi::Copy(mine.name, mine.id, f.name, f.id)) << how;
        EXPECT_EQ(ReadFile(victim), "precious") << how;
        EXPECT_EQ(fs::exists(f.name), std::string(how) != "nothing") << how << ": made again";
        fs::remove(f.name);
        fs::remove(mine.name);
    }
}

TEST(FileApiTest, AFullTmpfsFailsTheWriteWith112) {
    TmpfsMount small("1m");
    if (!small.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    const Made f = MakeFile(small.Path());
    FileHandle h = FileApi::Open(f.name, false, f.id);
    ASSERT_NE(h, kNullHandle);
    const std::string block(65536, 'z');
    uint32_t written = 0;
    bool ok = true;
    uint64_t total = 0;
    for (int i = 0; i < 64 && ok; ++i) {
        ok = FileApi::Write(h, block.data(), 65536, &written);
        total += written;
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(LastError::Get(), 112u);
    EXPECT_LE(total, 1u << 20);
    EXPECT_GT(total, 0u);
    FileApi::Close(h, false);
}

TEST(FileApiTest, AReadOnlyFileSystemRefusesWithItsOwnCode) {
    TmpfsMount ro("1m", "ro");
    if (!ro.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    std::string name;
    FileId id;
    EXPECT_FALSE(FileApi::MakeTempFileName(ro.Path(), "VXA", &name, &id));
    EXPECT_EQ(LastError::Get(), 19u);
}

TEST(FileApiTest, TempNamesAreNewEmptyFilesThatReplaceNothing) {
    TempDir dir;
    // Files already there keep their bytes, whatever their names.
    for (int n = 1; n <= 0x20; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "VXR%04X.TMP", n);
        WriteFile(dir.File(name), "precious");
    }
    const auto before = Snapshot(dir.Path());
    std::set<std::string> names;
    for (int i = 0; i < 200; ++i) {
        std::string name;
        FileId id;
        ASSERT_TRUE(FileApi::MakeTempFileName(dir.Path() + "/", "VXRandom", &name, &id));
        const std::string base = name.substr(dir.Path().size());
        EXPECT_TRUE(base.size() == 12 && base.rfind("/VXR", 0) == 0 &&
                    base.find_first_not_of("0123456789ABCDEF", 4) == 8 && base.substr(8) == ".TMP")
            << name;
        EXPECT_FALSE(before.count(name.substr(dir.Path().size() + 1))) << "reused " << name;
        EXPECT_EQ(fs::file_size(name), 0u);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 200u);
    for (const auto& [name, content] : before) EXPECT_EQ(ReadFile(dir.File(name)), content);
}

TEST(FileApiTest, TempNameInAMissingDirectoryFailsWith3) {
    TempDir dir;
    std::string name = "unchanged";
    FileId id;
    EXPECT_FALSE(FileApi::MakeTempFileName(dir.File("missing"), "VXA", &name, &id));
    EXPECT_EQ(LastError::Get(), 3u);
    EXPECT_EQ(name, "unchanged");
}

TEST(FileApiTest, CopyReplacesTheDestinationsContent) {
    TempDir a;
    TempDir b("/dev/shm");  // across file systems: the fallback copy
    std::string content;
    for (int i = 0; i < 200000; ++i) content += static_cast<char>(i * 7);
    const Made src = MakeFile(a.Path());
    WriteThrough(src, content, false);
    for (const std::string& dir : {a.Path(), b.Path()}) {
        const Made dst = MakeFile(dir);
        WriteThrough(dst, std::string(300000, 'o'), false);
        ASSERT_TRUE(FileApi::Copy(src.name, src.id, dst.name, dst.id));
        EXPECT_EQ(ReadFile(dst.name), content);
    }
    fs::remove(src.name);
    EXPECT_FALSE(FileApi::Copy(src.name, src.id, a.File("dst2"), FileId{}));
    EXPECT_EQ(LastError::Get(), 2u);
    EXPECT_FALSE(fs::exists(a.File("dst2")));
}

TEST(FileApiTest, TempPathFollowsTmpdirWithOneTrailingSlash) {
    const char* saved = std::getenv("TMPDIR");
    const std::string keep = saved ? saved : "";
    std::string path;
    setenv("TMPDIR", "/var/tmp//", 1);
    ASSERT_TRUE(FileApi::GetTempPath(&path));
    EXPECT_EQ(path, "/var/tmp/");
    unsetenv("TMPDIR");
    ASSERT_TRUE(FileApi::GetTempPath(&path));
    EXPECT_EQ(path, "/tmp/");
    if (saved) setenv("TMPDIR", keep.c_str(), 1);
}
