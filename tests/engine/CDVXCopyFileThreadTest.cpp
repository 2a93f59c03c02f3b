#include "engine/CDVXCopyFileThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/CDVXTempThread.h"
#include "engine/CDVXThreadData.h"
#include "tests/Printers.h"
#include "tests/TempDir.h"
#include "tests/engine/EngineEnvironment.h"

namespace {

using namespace std::chrono_literals;

uint64_t Read(CDVXThreadData& r, int slot) {
    RecordGuard guard(&r);
    return r.bytesRead[slot];
}

// Runs `thread` in `dir` until `bytes` were read back, then stops it.
void RunUntilRead(CDVXThread* thread, const std::string& dir, uint32_t budget,
                  CDVXThreadData& record, uint64_t bytes) {
    std::thread t = thread->Start(Chaine(std::string_view(dir)), budget, 0, &record);
    for (int i = 0; i < 3000 && Read(record, 1) + Read(record, 0) < bytes; ++i) {
        if ([&] {
                RecordGuard g(&record);
                return record.state == 2;
            }())
            break;
        std::this_thread::sleep_for(10ms);
    }
    {
        RecordGuard guard(&record);
        record.SetStopRequest(CDVXThreadData::kStopAfterCycle);
    }
    t.join();
}

}  // namespace

TEST(CDVXCopyFileThreadTest, TheLocalCopyIsVerifiedAndBothFilesGo) {
    for (bool buffered : {true, false}) {
        TempDir dir(kDiskBase);
        CDVXThreadData record;
        RunUntilRead(new CDVXCopyFileThread(buffered), dir.Path(), 1048576, record, 1048576);
        const int slot = CDVXThreadData::Slot(buffered);
        EXPECT_EQ(record.state, CDVXThreadData::kEnded);
        EXPECT_GE(record.bytesWritten[slot], 1048576u);
        EXPECT_EQ(record.bytesWritten[slot] % 1048576, 0u);
        EXPECT_EQ(record.bytesRead[slot], record.bytesWritten[slot]);
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << Listing(dir.Path());
        EXPECT_TRUE(std::filesystem::is_empty(EngineTempDir())) << Listing(EngineTempDir());
    }
}

TEST(CDVXCopyFileThreadTest, AFailedCopyLeavesNeitherFile) {
    TempDir dir(kDiskBase);
    TmpfsMount fullTemp("64k", "", EngineTempDir());  // over the temporary directory
    if (!fullTemp.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    CDVXThreadData record;
    RunUntilRead(new CDVXCopyFileThread(true), dir.Path(), 1048576, record, 1);
    EXPECT_EQ(record.state, CDVXThreadData::kFailed);
    EXPECT_EQ(record.errorKind, 1);
    EXPECT_EQ(record.operation, CDVXThreadData::kCopyFile);
    EXPECT_EQ(record.winerr, 112u);
    EXPECT_EQ(record.position, 0u);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << Listing(dir.Path());
    EXPECT_TRUE(std::filesystem::is_empty(fullTemp.Path())) << Listing(fullTemp.Path());
}

TEST(CDVXCopyFileThreadTest, TheTempTestWorksLocallyButNamesTheServerDirectory) {
    TempDir dir(kDiskBase);
    const std::string missing = dir.File("not-there");
    CDVXThreadData record;
    RunUntilRead(new CDVXTempThread(true), missing, 1048576, record, 1048576);
    EXPECT_EQ(record.state, CDVXThreadData::kEnded) << "its files lie in the temporary directory";
    EXPECT_EQ(record.tstdir, missing.c_str());
    EXPECT_EQ(record.bytesRead[1], record.bytesWritten[1]);
    EXPECT_TRUE(std::filesystem::is_empty(EngineTempDir())) << Listing(EngineTempDir());
}
