#include "engine/CDVXFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/TempDir.h"
#include "tests/engine/EngineEnvironment.h"

namespace fs = std::filesystem;
using D = CDVXThreadData;

namespace {

constexpr uint32_t kBlock = 65536;

std::vector<unsigned char> Pattern(std::size_t n) {
    std::vector<unsigned char> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(i * 31 + 7);
    return v;
}

// A test file in a fresh directory, with the record it reports into.
struct TestFile {
    explicit TestFile(const std::string& base = "", bool buffered = true)
        : dir(base),
          file(Chaine(std::string_view(dir.Path())), &record, buffered, Chaine("VXZ"),
               kQuick.shortReadWaitMs) {}
    std::string Name() { return file.GetName().c_str(); }

    TempDir dir;
    D record;
    CDVXFile file;
};

}  // namespace

// An abort ends the writing between two blocks, without a failure, and the
// read-back then reads nothing.
TEST(CDVXFileTest, AnAbortBetweenBlocksIsNoFailureAndReadsNothing) {
    TestFile t("/dev/shm");
    ASSERT_TRUE(t.file.Open());
    const auto block = Pattern(kBlock);
    std::thread ui([&] {
        while (Locked(t.record, [](D& r) { return r.bytesWritten[1] < 4 * kBlock; })) {
        }
        Locked(t.record, [](D& r) { r.SetStopRequest(D::kAbort); });
    });
    EXPECT_TRUE(t.file.WriteBlocks(block.data(), kBlock, 0xFFFF0000u));
    ui.join();
    EXPECT_TRUE(t.file.filePos < 0xFFFF0000u && t.file.filePos % kBlock == 0) << t.file.filePos;
    EXPECT_TRUE(t.file.ReadAndCompare(block.data(), kBlock, kBlock));
    EXPECT_EQ(std::tie(t.record.state, t.record.bytesRead[1]), std::tuple(D::kRunning, 0u));
}

// Every block read is compared with the start of the expected buffer; the
// second block of the file goes wrong. A short read is waited for, then
// reported with what it has: the first difference and up to ten bytes.
TEST(CDVXFileTest, ReadBackFaultsGiveTheFirstDifferenceAndWhatFollows) {
    const struct {
        uint32_t secondBlock;  // bytes of the second block on disk
        int flipAt;            // -1: none
        const char *expected, *read;
    } cases[] = {
        {kBlock, 100, "234261809fbeddfc1b3a", "224261809fbeddfc1b3a"},
        {1000, -1, "", ""},                   // correct data, cut short: a truncated file
        {12, 7, "e0ff1e3d5c", "e1ff1e3d5c"},  // cut short after a difference
    };
    const auto expected = Pattern(kBlock);
    for (const auto& c : cases) {
        std::vector<unsigned char> content(expected);
        content.insert(content.end(), expected.begin(), expected.begin() + c.secondBlock);
        if (c.flipAt >= 0) content[kBlock + c.flipAt] ^= 0x01;
        TestFile t;
        WriteFile(t.Name(), std::string(content.begin(), content.end()));
        ASSERT_TRUE(t.file.Open());
        EXPECT_FALSE(t.file.ReadAndCompare(expected.data(), kBlock, 2 * kBlock));
        const uint32_t position = kBlock + (c.flipAt >= 0 ? c.flipAt : c.secondBlock);
        EXPECT_EQ(
            std::tie(t.record.errorKind, t.record.position, t.record.datawait, t.record.dataget),
            std::tuple(D::kDataError, position, Chaine(c.expected), Chaine(c.read)));
        // The counts pass the bad block.
        EXPECT_EQ(std::tie(t.record.bytesRead[1], t.file.filePos),
                  std::tuple(kBlock + c.secondBlock, kBlock + c.secondBlock));
        t.file.Close(true);
    }
}

// A failed seek is reported at the position it aimed for; from the end, -1.
TEST(CDVXFileTest, FailedSeeksAndTheirPositions) {
    for (const auto& [offset, position] : {std::pair{5, 15u}, std::pair{-1, 0xFFFFFFFFu}}) {
        TestFile t;  // never opened: every seek fails
        t.file.filePos = 10;
        EXPECT_FALSE(t.file.Seek(offset));
        EXPECT_EQ(std::tie(t.record.position, t.record.operation, t.record.winerr),
                  std::tuple(position, D::kSetFilePointer, 6u));
    }
}

TEST(CDVXFileTest, CloseDeletesOnceAndTheDestructorCleansUp) {
    const auto descriptors = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), {});
    };
    TempDir dir;
    D record;
    long open = 0;
    {
        CDVXFile file(Chaine(std::string_view(dir.Path())), &record, true, Chaine("VXC"), 0);
        ASSERT_TRUE(file.Open());
        file.Close(false);
        EXPECT_TRUE(file.Close(true)) << "already closed: still deleted";
        EXPECT_TRUE(fs::is_empty(dir.Path()));
        EXPECT_TRUE(file.Close(true)) << "nothing left to do";
        EXPECT_TRUE(file.Open()) << "a new name for a new file";
        open = descriptors();
    }
    EXPECT_TRUE(fs::is_empty(dir.Path())) << "the destructor deletes a file that has a name";
    EXPECT_EQ(descriptors(), open - 1) << "and closes it first";
}

TEST(CDVXFileTest, AWriteThroughReadBackComesFromTheStorageNotTheCache) {
    if (LocalDiskBase().empty()) GTEST_SKIP() << "no local disk here: a tmpfs keeps every page";
    TestFile t(LocalDiskBase(), false);
    ASSERT_TRUE(t.file.Open());
    const auto block = Pattern(kBlock);
    ASSERT_TRUE(t.file.WriteBlocks(block.data(), kBlock, 16 * kBlock));
    t.file.Close(false);  // as the reopen before the read-back does
    const int fd = open(t.Name().c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    const std::size_t size = 16 * kBlock;
    void* map = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    ASSERT_NE(map, MAP_FAILED);
    std::vector<unsigned char> resident(size / sysconf(_SC_PAGESIZE));
    ASSERT_EQ(mincore(map, size, resident.data()), 0);
    munmap(map, size);
    close(fd);
    EXPECT_EQ(
        std::count_if(resident.begin(), resident.end(), [](unsigned char r) { return r & 1; }), 0)
        << "pages of a write-through file stayed in the cache";
    t.file.Close(true);
}
