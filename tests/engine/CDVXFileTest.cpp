#include "engine/CDVXFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <thread>
#include <vector>

#include "engine/CDVXThreadData.h"
#include "tests/Printers.h"
#include "tests/TempDir.h"
#include "tests/engine/EngineEnvironment.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kBlock = 65536;

std::size_t OpenDescriptors() {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

std::vector<unsigned char> Pattern(std::size_t n) {
    std::vector<unsigned char> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<unsigned char>(i * 31 + 7);
    return v;
}

// A file on disk whose content is `content`, opened for reading back by a
// CDVXFile in the same directory.
struct ReadBack {
    TempDir dir{kDiskBase};
    CDVXThreadData record;
    CDVXFile file{Chaine(std::string_view(dir.Path())), &record, true, Chaine("VXT")};

    explicit ReadBack(const std::vector<unsigned char>& content) {
        const Chaine name = file.GetName();
        WriteFile(name.c_str(), std::string(content.begin(), content.end()));
        EXPECT_TRUE(file.Open());
    }
    ~ReadBack() { file.Close(true); }
};

}  // namespace

TEST(CDVXFileTest, BlocksAreWrittenAndReadBackWithTheRemainderLast) {
    for (const std::string& base : {kDiskBase, std::string("/dev/shm")}) {
        TempDir dir(base);
        for (bool buffered : {true, false}) {
            CDVXThreadData record;
            const auto block = Pattern(kBlock);
            const uint32_t total = 3 * kBlock + 1000;
            CDVXFile file(Chaine(std::string_view(dir.Path())), &record, buffered, Chaine("VXZ"));
            ASSERT_TRUE(file.Open());
            EXPECT_EQ(file.GetName().View().substr(dir.Path().size()).substr(0, 4), "/VXZ");
            ASSERT_TRUE(file.WriteBlocks(block.data(), kBlock, total));
            EXPECT_EQ(file.filePos, total);
            EXPECT_EQ(fs::file_size(file.GetName().c_str()), total);
            ASSERT_TRUE(file.Reopen());
            file.filePos = 0;
            ASSERT_TRUE(file.ReadAndCompare(block.data(), kBlock, total));
            EXPECT_EQ(file.filePos, total);
            const int slot = CDVXThreadData::Slot(buffered);
            EXPECT_EQ(record.bytesWritten[slot], total);
            EXPECT_EQ(record.bytesRead[slot], total);
            EXPECT_EQ(record.bytesWritten[1 - slot], 0u);
            EXPECT_EQ(record.state, CDVXThreadData::kRunning);
            const std::string name = file.GetName().c_str();
            ASSERT_TRUE(file.Close(true));
            EXPECT_FALSE(fs::exists(name));
        }
    }
}

TEST(CDVXFileTest, AZeroTotalMakesNoCall) {
    TempDir dir(kDiskBase);
    CDVXThreadData record;
    CDVXFile file(Chaine(std::string_view(dir.Path())), &record, true, Chaine("VXZ"));
    const unsigned char byte = 0;
    // Not even open: any call would fail and be recorded.
    EXPECT_TRUE(file.WriteBlocks(&byte, 1, 0));
    EXPECT_TRUE(file.ReadAndCompare(&byte, 1, 0));
    EXPECT_EQ(record.state, CDVXThreadData::kRunning);
}

TEST(CDVXFileTest, ThreeMegabytesEndAtTheirSize) {
    TempDir dir("/dev/shm");
    CDVXThreadData record;
    CDVXFile file(Chaine(std::string_view(dir.Path())), &record, true, Chaine("VXZ"));
    ASSERT_TRUE(file.Open());
    const auto block = Pattern(kBlock);
    ASSERT_TRUE(file.WriteBlocks(block.data(), kBlock, 3145728));
    EXPECT_EQ(file.filePos, 3145728u);
    file.Close(true);
}

TEST(CDVXFileTest, AFullDiskFailsTheWriteAtItsPosition) {
    TmpfsMount small("128k");
    if (!small.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    CDVXThreadData record;
    CDVXFile file(Chaine(std::string_view(small.Path())), &record, false, Chaine("VXZ"));
    ASSERT_TRUE(file.Open());
    const auto block = Pattern(kBlock);
    EXPECT_FALSE(file.WriteBlocks(block.data(), kBlock, 10 * kBlock));
    EXPECT_EQ(record.state, CDVXThreadData::kFailed);
    EXPECT_EQ(record.errorKind, 1);
    EXPECT_EQ(record.winerr, 112u);
    EXPECT_EQ(record.operation, CDVXThreadData::kWriteFile);
    EXPECT_EQ(record.position, 131072u) << "the third block failed";
    EXPECT_EQ(record.bytesWritten[0], 131072u);
    EXPECT_TRUE(file.Close(true));
    EXPECT_TRUE(fs::is_empty(small.Path()));
}

TEST(CDVXFileTest, AnAbortBetweenBlocksIsNoFailure) {
    TempDir dir("/dev/shm");
    CDVXThreadData record;
    CDVXFile file(Chaine(std::string_view(dir.Path())), &record, true, Chaine("VXZ"));
    ASSERT_TRUE(file.Open());
    const auto block = Pattern(kBlock);
    std::atomic<bool> done{false};
    std::thread ui([&] {
        for (;;) {
            RecordGuard guard(&record);
            if (record.bytesWritten[1] >= 4 * kBlock || done) {
                record.SetStopRequest(CDVXThreadData::kAbort);
                return;
            }
        }
    });
    const bool ok = file.WriteBlocks(block.data(), kBlock, 0xFFFF0000u);
    done = true;
    ui.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(record.state, CDVXThreadData::kRunning);
    EXPECT_EQ(record.errorKind, 0);
    EXPECT_LT(file.filePos, 0xFFFF0000u);
    EXPECT_EQ(file.filePos % kBlock, 0u);
    EXPECT_TRUE(file.ReadAndCompare(block.data(), kBlock, kBlock)) << "aborted: no read at all";
    EXPECT_EQ(record.bytesRead[1], 0u);
    file.Close(true);
}

TEST(CDVXFileTest, DifferingDataGivesTheFirstDifferenceAndTenBytesEachSide) {
    // Every block read is compared with the start of the expected buffer.
    const auto expected = Pattern(kBlock);
    std::vector<unsigned char> twice(expected);
    twice.insert(twice.end(), expected.begin(), expected.end());
    twice[kBlock + 100] ^= 0x01;
    ReadBack rb(twice);
    EXPECT_FALSE(rb.file.ReadAndCompare(expected.data(), kBlock, 2 * kBlock));
    EXPECT_EQ(rb.record.errorKind, 2);
    EXPECT_EQ(rb.record.position, kBlock + 100);
    Chaine wait, got;
    for (int i = 100; i < 110; ++i) {
        char hex[3];
        snprintf(hex, sizeof hex, "%02x", expected[i]);
        wait += hex;
        snprintf(hex, sizeof hex, "%02x", twice[kBlock + i]);
        got += hex;
    }
    EXPECT_EQ(rb.record.datawait, wait);
    EXPECT_EQ(rb.record.dataget, got);
    EXPECT_EQ(rb.file.filePos, 2 * kBlock) << "the position counter passes the bad block";
}

TEST(CDVXFileTest, AShortReadOfCorrectDataIsATruncatedFile) {
    const auto expected = Pattern(kBlock);
    std::vector<unsigned char> content(expected);
    content.insert(content.end(), expected.begin(), expected.begin() + 1000);
    ReadBack rb(content);
    EXPECT_FALSE(rb.file.ReadAndCompare(expected.data(), kBlock, 2 * kBlock));
    EXPECT_EQ(rb.record.errorKind, 2);
    EXPECT_TRUE(rb.record.datawait.IsEmpty());
    EXPECT_TRUE(rb.record.dataget.IsEmpty());
    EXPECT_EQ(rb.record.position, kBlock + 1000);
    EXPECT_EQ(rb.record.bytesRead[1], kBlock + 1000u);
}

TEST(CDVXFileTest, AShortReadWithADifferenceShowsWhatItHas) {
    const auto expected = Pattern(kBlock);
    std::vector<unsigned char> content(expected);
    content.insert(content.end(), expected.begin(), expected.begin() + 12);
    content[kBlock + 7] ^= 0xFF;
    ReadBack rb(content);
    EXPECT_FALSE(rb.file.ReadAndCompare(expected.data(), kBlock, 2 * kBlock));
    EXPECT_EQ(rb.record.position, kBlock + 7);
    EXPECT_EQ(rb.record.datawait.GetLength(), 10u) << "5 bytes: up to the end of what was read";
    EXPECT_EQ(rb.record.dataget.GetLength(), 10u);
}

TEST(CDVXFileTest, SeekFailuresAndTheirPositions) {
    TempDir dir(kDiskBase);
    CDVXThreadData record;
    CDVXFile file(Chaine(std::string_view(dir.Path())), &record, true, Chaine("VXA"));
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.Write("abc", 3));
    ASSERT_TRUE(file.Seek(-1));
    ASSERT_TRUE(file.Write("d", 1));
    ASSERT_TRUE(file.Seek(-2));  // one byte before the end
    ASSERT_TRUE(file.Write("D", 1));
    file.Close(false);
    EXPECT_EQ(ReadFile(file.GetName().c_str()), "abcD");
    // Closed: every seek fails, at the position the rules give.
    file.filePos = 10;
    EXPECT_FALSE(file.Seek(-1));
    EXPECT_EQ(record.position, 0xFFFFFFFFu);
    EXPECT_EQ(record.operation, CDVXThreadData::kSetFilePointer);
    EXPECT_EQ(record.winerr, 6u);
    CDVXThreadData second;
    CDVXFile other(Chaine(std::string_view(dir.Path())), &second, true, Chaine("VXA"));
    other.filePos = 10;
    EXPECT_FALSE(other.Seek(5));
    EXPECT_EQ(second.position, 15u);
    file.Close(true);
}

TEST(CDVXFileTest, CloseDeletesOnceAndTheDestructorCleansUp) {
    TempDir dir(kDiskBase);
    CDVXThreadData record;
    std::string leftover;
    std::size_t descriptors = 0;
    {
        CDVXFile file(Chaine(std::string_view(dir.Path())), &record, true, Chaine("VXC"));
        ASSERT_TRUE(file.Open());
        file.Close(false);
        const std::string name = file.GetName().c_str();
        EXPECT_TRUE(fs::exists(name));
        EXPECT_TRUE(file.Close(true)) << "already closed: still deleted";
        EXPECT_FALSE(fs::exists(name));
        EXPECT_TRUE(file.Close(true)) << "nothing left to do";
        EXPECT_TRUE(file.Open()) << "a new name for a new file";
        leftover = file.GetName().c_str();
        descriptors = OpenDescriptors();
    }
    EXPECT_FALSE(fs::exists(leftover)) << "the destructor deletes a file that has a name";
    EXPECT_EQ(OpenDescriptors(), descriptors - 1) << "and closes it first";
    EXPECT_EQ(record.state, CDVXThreadData::kRunning);
}

// Another process swaps the name of the test's file for a link to a file of
// its own between two opens: the reopen fails and the other file is untouched.
TEST(CDVXFileTest, ASwappedNameFailsTheReopenAndLeavesTheOtherFileAlone) {
    TempDir dir(kDiskBase);
    const std::string victim = dir.File("victim");
    WriteFile(victim, "precious");
    CDVXThreadData record;
    CDVXFile file(Chaine(std::string_view(dir.Path())), &record, true, Chaine("VXA"));
    ASSERT_TRUE(file.Open());
    ASSERT_TRUE(file.Write("a", 1));
    const std::string name = file.GetName().c_str();
    file.Close(false);
    fs::remove(name);
    fs::create_symlink(victim, name);
    EXPECT_FALSE(file.Reopen());
    EXPECT_FALSE(file.Write("b", 1));
    EXPECT_EQ(record.state, CDVXThreadData::kFailed);
    EXPECT_EQ(record.operation, CDVXThreadData::kCreateFile);
    EXPECT_EQ(record.sysErrno, ELOOP);
    EXPECT_EQ(ReadFile(victim), "precious");
    file.Close(true);
    EXPECT_EQ(ReadFile(victim), "precious");
}

TEST(CDVXFileTest, NameFailuresAreRecordedAsGetTempFileName) {
    TempDir dir(kDiskBase);
    CDVXThreadData record;
    CDVXFile file(Chaine(std::string_view(dir.File("missing"))), &record, true, Chaine("VXR"));
    EXPECT_FALSE(file.Open());
    EXPECT_TRUE(file.GetName().IsEmpty());
    EXPECT_EQ(record.operation, CDVXThreadData::kGetTempFileName);
    EXPECT_EQ(record.winerr, 3u);
    EXPECT_TRUE(fs::is_empty(dir.Path()));
}

TEST(CDVXFileTest, AWriteThroughReadBackComesFromTheStorageNotTheCache) {
    TempDir dir(kDiskBase);
    CDVXThreadData record;
    CDVXFile file(Chaine(std::string_view(dir.Path())), &record, false, Chaine("VXZ"));
    ASSERT_TRUE(file.Open());
    const auto block = Pattern(kBlock);
    ASSERT_TRUE(file.WriteBlocks(block.data(), kBlock, 16 * kBlock));
    file.Close(false);  // as the reopen before the read-back does

    const int fd = open(file.GetName().c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    const std::size_t size = 16 * kBlock;
    void* map = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    ASSERT_NE(map, MAP_FAILED);
    std::vector<unsigned char> resident(size / sysconf(_SC_PAGESIZE));
    ASSERT_EQ(mincore(map, size, resident.data()), 0);
    std::size_t cached = 0;
    for (unsigned char r : resident) cached += r & 1;
    munmap(map, size);
    close(fd);
    EXPECT_EQ(cached, 0u) << "pages of a write-through file stayed in the cache";
    file.Close(true);
}
