#include "platform/FileApi.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/Encoding.h"
#include "platform/SystemError.h"
#include "tests/TempDir.h"

namespace fs = std::filesystem;
using platform::FileApi;
using platform::LastError;
using E = platform::SystemError;
using namespace std::string_literals;

// A file made the way the engine makes its files: a fresh temporary name.
static std::pair<std::string, platform::FileId> Make(const std::string& dir) {
    std::pair<std::string, platform::FileId> made;
    EXPECT_TRUE(FileApi::MakeTempFileName(dir, "VXR", &made.first, &made.second)) << dir;
    return made;
}

// Names reach the system as UTF-8, unless they hold a character names may not
// hold here: refused with 123, no stray file anywhere. With every name but one
// taken, the one left is made; with none left the call fails rather than take one.
// The caller is told each name before its create, and told it back when taken.
TEST(FileApiTest, NamesReachTheSystemAsUtf8OrAreRefusedAndReplaceNothing) {
    TempDir dir("/dev/shm");
    fs::create_directories(dir.File("sub/résumé"));
    auto [name, id] = Make(dir.Path() + platform::Encoding::Utf8ToAnsi("/sub/résumé"));
    EXPECT_TRUE(!fs::is_empty(dir.File("sub/résumé")) && FileApi::Delete(name));
    for (const std::string& bad :
         {"a*b"s, "a?b"s, "a\"b"s, "a<b"s, "a>b"s, "a|b"s, "sub\\..\\..\\x"s, "a\0b"s}) {
        LastError::Set(0);
        EXPECT_EQ(FileApi::Open(dir.File(bad), FileApi::Access::kReadWrite, false, id),
                  platform::kNullHandle)
            << bad;
        EXPECT_EQ(LastError::Get(), E::kInvalidName) << bad;
        LastError::Set(0);
        EXPECT_FALSE(FileApi::MakeTempFileName(dir.File(bad), "VXA", &name, &id)) << bad;
        EXPECT_EQ(LastError::Get(), E::kInvalidName) << bad;
    }
    EXPECT_EQ(Snapshot(dir.Path()).size(), 2u) << Listing(dir.Path());
    char taken[16];
    for (unsigned n = 1; n <= 0xFFFF; ++n)
        if (std::snprintf(taken, sizeof taken, "VXR%04X.TMP", n); n != 0xBEEF)
            WriteFile(dir.File(taken), "");
    std::vector<std::string> told;
    const auto tell = [&told](std::string_view n) { told.emplace_back(n); };
    // Every name tried, then taken back when it was taken: empty once all were.
    const auto followed = [&told] {
        bool paired = told.size() % 2 == 0;
        for (std::size_t i = 1; i < told.size(); i += 2)
            paired = paired && told[i - 1].find("/VXR") != std::string::npos && told[i].empty();
        return paired;
    };
    EXPECT_TRUE(FileApi::MakeTempFileName(dir.Path(), "VXR", &name, &id, tell));
    EXPECT_EQ(name, dir.File("VXRBEEF.TMP"));
    EXPECT_EQ(told.back(), name) << "the file made keeps its name told";
    told.pop_back();
    EXPECT_TRUE(followed()) << told.size();
    told.clear();
    EXPECT_FALSE(FileApi::MakeTempFileName(dir.Path() + "/", "VXRandom", &name, &id, tell));
    EXPECT_EQ(LastError::Get(), E::kFileExists);
    EXPECT_TRUE(followed() && told.size() == 2 * 0xFFFF) << told.size();
    EXPECT_EQ(name, dir.File("VXRBEEF.TMP")) << "a failure leaves the name alone";
}

// A copy's destination ends with the source's bytes alone, whatever it held.
// But once another process puts something else under the name of a file the
// program made, or takes it away, no open or copy may reach another file, hang,
// or make a file again, and the victim keeps its bytes, even when an open of
// the program's file would empty it.
TEST(FileApiTest, ANameThatNoLongerHoldsTheProgramsFileIsNeverWritten) {
    TempDir dir("/dev/shm"), other;
    const auto [src, srcId] = Make(other.Path());
    const auto [mine, mineId] = Make(other.Path());
    WriteFile(src, "source"), WriteFile(mine, "longer than the source");
    EXPECT_TRUE(FileApi::Copy(src, srcId, mine, mineId));
    EXPECT_EQ(ReadFile(mine), "source");
    const std::string victim = dir.File("victim");
    const std::tuple<const char*, uint32_t, std::function<void(const std::string&)>> swaps[] = {
        {"symbolic link", E::kIoDevice, [&](auto& n) { fs::create_symlink(victim, n); }},
        {"hard link", E::kFileExists, [&](auto& n) { fs::create_hard_link(victim, n); }},
        // Made after ours went: it may well get the same inode number again.
        {"a new file", E::kFileExists, [&](auto& n) { WriteFile(n, "y"); }},
        // Nobody writes into it: a plain open for reading would wait for ever.
        {"pipe", E::kFileExists, [&](auto& n) { mkfifo(n.c_str(), 0600); }},
        {"directory", E::kAccessDenied, [&](auto& n) { fs::create_directory(n); }},
        {"nothing", E::kFileNotFound, [&](auto&) {}}};
    // Without birth times, a new file on a reused inode is ours as far as anyone can tell.
    struct statx st {};
    const bool birthTimes = statx(AT_FDCWD, dir.Path().c_str(), 0, STATX_BTIME, &st) == 0 &&
                            (st.stx_mask & STATX_BTIME);
    for (const auto& [how, code, swap] : swaps) {
        if (how == "a new file"s && !birthTimes) continue;
        WriteFile(victim, "precious");
        const auto [name, id] = Make(dir.Path());
        fs::remove(name);
        swap(name);
        for (const auto access : {FileApi::Access::kRead, FileApi::Access::kRewrite}) {
            EXPECT_EQ(FileApi::Open(name, access, false, id), platform::kNullHandle) << how;
            EXPECT_EQ(LastError::Get(), code) << how;
        }
        EXPECT_FALSE(FileApi::Copy(name, id, mine, mineId)) << how;
        EXPECT_FALSE(FileApi::Copy(mine, mineId, name, id)) << how;
        EXPECT_EQ(ReadFile(victim), "precious") << how;
        EXPECT_EQ(fs::exists(name), how != "nothing"s) << how << ": made again";
    }
}
