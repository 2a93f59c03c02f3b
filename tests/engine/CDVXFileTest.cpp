#include "engine/CDVXFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/Fields.h"
#include "tests/TempDir.h"
#include "tests/engine/EngineEnvironment.h"

namespace fs = std::filesystem;
using D = CDVXThreadData;

namespace {

constexpr uint32_t kBlock = 65536;

const std::string kPattern = [s = std::string(kBlock, '\0')]() mutable {
    for (uint32_t i = 0; i < kBlock; ++i) s[i] = static_cast<char>(i * 31 + 7);
    return s;
}();

// A test file in a fresh directory, with the record it reports into.
struct TestFile {
    explicit TestFile(const std::string& base = "", bool buffered = true)
        : dir(base),
          file(std::make_unique<CDVXFile>(Chaine(std::string_view(dir.Path())), &record, buffered,
                                          Chaine("VXZ"), kQuick.shortReadWaitMs)) {}

    TempDir dir;
    D record;
    std::unique_ptr<CDVXFile> file;
};

}  // namespace

// An abort ends the writing between two blocks, without a failure, and the
// read-back then reads nothing.
TEST(CDVXFileTest, AnAbortBetweenBlocksIsNoFailureAndReadsNothing) {
    TestFile t("/dev/shm");
    ASSERT_TRUE(t.file->Open());
    std::thread ui([&] {
        while (Locked(t.record, [](D& r) { return r.bytesWritten[1] < 4 * kBlock; })) continue;
        Locked(t.record, [](D& r) { r.SetStopRequest(D::kAbort); });
    });
    EXPECT_TRUE(t.file->WriteBlocks(kPattern.data(), kBlock, 0xFFFF0000u));
    ui.join();
    EXPECT_TRUE(t.file->filePos < 0xFFFF0000u && t.file->filePos % kBlock == 0);
    EXPECT_TRUE(t.file->ReadAndCompare(kPattern.data(), kBlock, kBlock));
    EXPECT_TRUE(Fields()
                    .Is("state", t.record.state, D::kRunning)
                    .Is("read", t.record.bytesRead[1], 0u));
}

// The second block read back (compared with the start of the expected buffer)
// goes wrong: the first difference and up to ten bytes are reported, for a
// short read after a wait; the counts pass the bad block.
TEST(CDVXFileTest, ReadBackFaultsGiveTheFirstDifferenceAndWhatFollows) {
    // {bytes of the second block on disk, byte flipped (-1: none), expected, read}
    const std::tuple<uint32_t, int, const char*, const char*> cases[] = {
        {kBlock, 100, "234261809fbeddfc1b3a", "224261809fbeddfc1b3a"},
        {1000, -1, "", ""},                   // correct data, cut short: a truncated file
        {12, 7, "e0ff1e3d5c", "e1ff1e3d5c"},  // cut short after a difference
    };
    for (const auto& [second, flipAt, expected, read] : cases) {
        std::string content = kPattern + kPattern.substr(0, second);
        if (flipAt >= 0) content[kBlock + flipAt] ^= 0x01;
        TestFile t;
        WriteFile(t.file->GetName().c_str(), content);
        ASSERT_TRUE(t.file->Open() && !t.file->ReadAndCompare(kPattern.data(), kBlock, 2 * kBlock));
        const TestFailure& f = t.record.failure;
        EXPECT_TRUE(Fields()
                        .Is("kind", f.errorKind, D::kDataError)
                        .Is("position", f.position, kBlock + (flipAt >= 0 ? flipAt : second))
                        .Is("expected", f.datawait, Chaine(expected))
                        .Is("read", f.dataget, Chaine(read))
                        .Is("bytes counted", t.record.bytesRead[1], kBlock + second)
                        .Is("file position", t.file->filePos, kBlock + second))
            << second << " bytes, flipped at " << flipAt;
    }
}

// A failed seek is reported at the position it aimed for; from the end, -1.
TEST(CDVXFileTest, FailedSeeksAndTheirPositions) {
    for (const auto& [offset, position] : {std::pair{5, 15u}, std::pair{-1, 0xFFFFFFFFu}}) {
        TestFile t;  // never opened: every seek fails
        t.file->filePos = 10;
        EXPECT_FALSE(t.file->Seek(offset));
        const TestFailure& f = t.record.failure;
        EXPECT_TRUE(Fields()
                        .Is("position", f.position, position)
                        .Is("operation", f.operation, D::kSetFilePointer)
                        .Is("code", f.winerr, 6u))
            << offset;
    }
}

TEST(CDVXFileTest, CloseDeletesOnceAndTheDestructorCleansUp) {
    const auto fds = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    TestFile t;
    ASSERT_TRUE(t.file->Open());
    t.file->Close(false);
    EXPECT_TRUE(t.file->Close(true) && fs::is_empty(t.dir.Path())) << "already closed: deleted";
    EXPECT_TRUE(t.file->Close(true) && t.file->Open()) << "nothing left to do; then a new file";
    const long open = fds();
    t.file.reset();
    EXPECT_TRUE(fs::is_empty(t.dir.Path())) << "the destructor deletes a file that has a name";
    EXPECT_EQ(fds(), open - 1) << "and closes it first";
}

TEST(CDVXFileTest, AWriteThroughReadBackComesFromTheStorageNotTheCache) {
    if (LocalDiskBase().empty()) GTEST_SKIP() << "no local disk here: a tmpfs keeps every page";
    TestFile t(LocalDiskBase(), false);
    const std::size_t size = 16 * kBlock;
    ASSERT_TRUE(t.file->Open() && t.file->WriteBlocks(kPattern.data(), kBlock, size));
    t.file->Close(false);  // as the reopen before the read-back does
    const int fd = open(t.file->GetName().c_str(), O_RDONLY);
    void* map = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);  // fails without fd
    std::vector<unsigned char> resident(size / sysconf(_SC_PAGESIZE));
    ASSERT_TRUE(map != MAP_FAILED && mincore(map, size, resident.data()) == 0);
    munmap(map, size), close(fd);
    EXPECT_EQ(std::ranges::count_if(resident, [](unsigned char r) { return r & 1; }), 0)
        << "pages of a write-through file stayed in the cache";
}
