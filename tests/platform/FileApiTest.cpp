#include "platform/FileApi.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "platform/SystemError.h"
#include "tests/TempDir.h"

using platform::FileApi;
using platform::FileHandle;
using platform::kNullHandle;
using platform::LastError;

namespace {

std::string Bytes(std::size_t n, char c) { return std::string(n, c); }

// Writes `content` through a fresh handle and closes it.
void WriteThrough(const std::string& path, const std::string& content, bool writeThrough) {
    FileHandle h = FileApi::Open(path, writeThrough);
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
            const std::string path = dir + "/data.bin";
            WriteThrough(path, "hello world", writeThrough);

            FileHandle h = FileApi::Open(path, writeThrough);  // open-always keeps the content
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
            ASSERT_TRUE(FileApi::Delete(path));
            EXPECT_FALSE(std::filesystem::exists(path));
        }
    }
}

TEST(FileApiTest, BackslashesSeparateAndRefusedCharactersFailWith123) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("sub"));
    std::string windowsStyle = dir.Path() + "\\sub\\file.txt";
    WriteThrough(windowsStyle, "x", false);
    EXPECT_TRUE(std::filesystem::exists(dir.File("sub/file.txt")));

    for (const char* bad : {"a*b", "a?b", "a\"b", "a<b", "a>b", "a|b"}) {
        LastError::Set(0);
        EXPECT_EQ(FileApi::Open(dir.File(bad), false), kNullHandle) << bad;
        EXPECT_EQ(LastError::Get(), 123u) << bad;
    }
    EXPECT_EQ(Snapshot(dir.Path()).size(), 1u) << "no stray file was created";
}

TEST(FileApiTest, AccentedNamesReachTheSystemAsUtf8) {
    TempDir dir;
    WriteThrough(dir.Path() + "/r\xE9sum\xE9.txt", "x", false);  // Windows-1252 é
    EXPECT_TRUE(std::filesystem::exists(dir.File("résumé.txt")));
}

TEST(FileApiTest, FailuresCarryTheMappedCode) {
    TempDir dir;
    EXPECT_EQ(FileApi::Open(dir.File("missing/file"), false), kNullHandle);
    EXPECT_EQ(LastError::Get(), 3u) << "creating in a missing directory";
    EXPECT_FALSE(FileApi::Delete(dir.File("nothing")));
    EXPECT_EQ(LastError::Get(), 2u);
    EXPECT_EQ(FileApi::Open(dir.Path(), false), kNullHandle);
    EXPECT_EQ(LastError::Get(), 5u) << "a directory is not a file";
    WriteThrough(dir.File("plain"), "x", false);
    EXPECT_EQ(FileApi::Open(dir.File("plain/child"), false), kNullHandle);
    EXPECT_EQ(LastError::Get(), 3u) << "a file used as a directory";
    uint32_t got = 0;
    char c;
    EXPECT_FALSE(FileApi::Read(-1, &c, 1, &got));
    EXPECT_EQ(LastError::Get(), 6u);
    EXPECT_FALSE(FileApi::Seek(-1, 0, SEEK_SET));
    EXPECT_EQ(LastError::Get(), 6u);
}

TEST(FileApiTest, AFullTmpfsFailsTheWriteWith112) {
    TmpfsMount small("1m");
    if (!small.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    FileHandle h = FileApi::Open(small.Path() + "/big", false);
    ASSERT_NE(h, kNullHandle);
    const std::string block = Bytes(65536, 'z');
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
    EXPECT_EQ(FileApi::Open(ro.Path() + "/f", false), kNullHandle);
    EXPECT_EQ(LastError::Get(), 19u);
    std::string name;
    EXPECT_FALSE(FileApi::MakeTempFileName(ro.Path(), "VXA", &name));
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
        ASSERT_TRUE(FileApi::MakeTempFileName(dir.Path() + "/", "VXRandom", &name));
        const std::string base = name.substr(dir.Path().size());
        EXPECT_TRUE(base.size() == 12 && base.rfind("/VXR", 0) == 0 &&
                    base.find_first_not_of("0123456789ABCDEF", 4) == 8 && base.substr(8) == ".TMP")
            << name;
        EXPECT_FALSE(before.count(name.substr(dir.Path().size() + 1))) << "reused " << name;
        EXPECT_EQ(std::filesystem::file_size(name), 0u);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 200u);
    for (const auto& [name, content] : before) EXPECT_EQ(ReadFile(dir.File(name)), content);
}

TEST(FileApiTest, TempNameInAMissingDirectoryFailsWith3) {
    TempDir dir;
    std::string name = "unchanged";
    EXPECT_FALSE(FileApi::MakeTempFileName(dir.File("missing"), "VXA", &name));
    EXPECT_EQ(LastError::Get(), 3u);
    EXPECT_EQ(name, "unchanged");
}

TEST(FileApiTest, CopyReplacesOrRefusesTheDestination) {
    TempDir a;
    TempDir b("/dev/shm");  // across file systems: the fallback copy
    std::string content;
    for (int i = 0; i < 200000; ++i) content += static_cast<char>(i * 7);
    WriteFile(a.File("src"), content);
    for (const std::string& dst : {a.File("dst"), b.File("dst")}) {
        WriteFile(dst, "old and longer than nothing");
        ASSERT_TRUE(FileApi::Copy(a.File("src"), dst, true));
        EXPECT_EQ(ReadFile(dst), content);
        EXPECT_FALSE(FileApi::Copy(a.File("src"), dst, false));
        EXPECT_EQ(LastError::Get(), 80u);
    }
    EXPECT_FALSE(FileApi::Copy(a.File("none"), a.File("dst2"), true));
    EXPECT_EQ(LastError::Get(), 2u);
    EXPECT_FALSE(std::filesystem::exists(a.File("dst2")));
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
