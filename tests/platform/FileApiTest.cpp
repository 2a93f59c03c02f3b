#include "platform/FileApi.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "platform/Encoding.h"
#include "platform/SystemError.h"
#include "tests/TempDir.h"

namespace fs = std::filesystem;
using platform::FileApi;
using platform::LastError;
using E = platform::SystemError;
using namespace std::string_literals;

namespace {
// A file made the way the engine makes its files: a fresh temporary name.
std::pair<std::string, platform::FileId> Make(const std::string& dir) {
    std::pair<std::string, platform::FileId> made;
    EXPECT_TRUE(FileApi::MakeTempFileName(dir, "VXR", &made.first, &made.second)) << dir;
    return made;
}
}  // namespace

// Names reach the system as UTF-8, unless they hold a character that names may
// not hold here: refused with 123, and no stray file anywhere.
TEST(FileApiTest, NamesReachTheSystemAsUtf8OrAreRefusedWith123) {
    TempDir dir;
    fs::create_directory(dir.File("sub"));
    for (const std::string& bad :
         {"a*b"s, "a?b"s, "a\"b"s, "a<b"s, "a>b"s, "a|b"s, "sub\\b"s, "sub\\..\\..\\x"s, "a\0b"s}) {
        std::string name;
        platform::FileId id;
        LastError::Set(0);
        EXPECT_EQ(FileApi::Open(dir.File(bad), false, id), platform::kNullHandle) << bad;
        EXPECT_EQ(LastError::Get(), E::kInvalidName) << bad;
        LastError::Set(0);
        EXPECT_FALSE(FileApi::MakeTempFileName(dir.File(bad), "VXA", &name, &id)) << bad;
        EXPECT_EQ(LastError::Get(), E::kInvalidName) << bad;
    }
    EXPECT_EQ(Listing(dir.Path()), "sub ");
    EXPECT_TRUE(fs::is_empty(dir.File("sub")));
    fs::create_directory(dir.File("sub/résumé"));
    const auto [name, id] = Make(dir.Path() + platform::Encoding::Utf8ToAnsi("/sub/résumé"));
    EXPECT_FALSE(fs::is_empty(dir.File("sub/résumé")));
    EXPECT_TRUE(FileApi::Delete(name));
}

// Another process puts something else under the name of a file the program
// made, or takes the file away: no open may then reach another file, hang, or
// make a file again, and the victim keeps its bytes.
TEST(FileApiTest, ANameThatNoLongerHoldsTheProgramsFileIsNeverWritten) {
    TempDir dir("/dev/shm"), other;
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
    // Without birth times a new file on a reused inode number is the program's
    // own as far as anyone can tell.
    struct statx st {};
    const bool birthTimes = statx(AT_FDCWD, dir.Path().c_str(), 0, STATX_BTIME, &st) == 0 &&
                            (st.stx_mask & STATX_BTIME);
    for (const auto& [how, code, swap] : swaps) {
        if (how == "a new file"s && !birthTimes) continue;
        WriteFile(victim, "precious");
        const auto [name, id] = Make(dir.Path());
        const auto [mine, mineId] = Make(other.Path());
        fs::remove(name);
        swap(name);
        EXPECT_EQ(FileApi::Open(name, false, id), platform::kNullHandle) << how;
        EXPECT_EQ(LastError::Get(), code) << how;
        EXPECT_FALSE(FileApi::Copy(name, id, mine, mineId)) << how;
        // As the copy's destination, the name must not even be emptied.
        EXPECT_FALSE(FileApi::Copy(mine, mineId, name, id)) << how;
        EXPECT_EQ(ReadFile(victim), "precious") << how;
        EXPECT_EQ(fs::exists(name), how != "nothing"s) << how << ": made again";
        fs::remove(name);
    }
}

// Every name but one already taken: the one left is the name made; with none
// left the call fails rather than take one.
TEST(FileApiTest, TempNamesAreNewFilesThatReplaceNothing) {
    TempDir dir("/dev/shm");
    for (unsigned n = 1; n <= 0xFFFF; ++n) {
        char taken[16];
        std::snprintf(taken, sizeof taken, "VXR%04X.TMP", n);
        if (n != 0xBEEF) WriteFile(dir.File(taken), "");
    }
    auto [name, id] = Make(dir.Path());
    EXPECT_EQ(name, dir.File("VXRBEEF.TMP"));
    EXPECT_FALSE(FileApi::MakeTempFileName(dir.Path() + "/", "VXRandom", &name, &id));
    EXPECT_EQ(LastError::Get(), E::kFileExists);
    EXPECT_EQ(name, dir.File("VXRBEEF.TMP")) << "a failure leaves the name alone";
}

// The copy's destination ends with the source's bytes alone, whatever it held.
TEST(FileApiTest, ACopyLeavesTheSourcesBytesAlone) {
    TempDir dir;
    const auto [src, srcId] = Make(dir.Path());
    const auto [dst, dstId] = Make(dir.Path());
    WriteFile(src, "source");
    for (const char* held : {"", "longer than the source"}) {
        WriteFile(dst, held);
        EXPECT_TRUE(FileApi::Copy(src, srcId, dst, dstId)) << held;
        EXPECT_EQ(ReadFile(dst), "source") << held;
    }
}
