#include "engine/CDVXAtomThread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/CDVXThreadData.h"
#include "tests/TempDir.h"
#include "tests/engine/EngineEnvironment.h"

namespace {

using namespace std::chrono_literals;

uint64_t Written(CDVXThreadData& r, int slot) {
    RecordGuard guard(&r);
    return r.bytesWritten[slot];
}

void RequestStop(CDVXThreadData& r, int32_t request) {
    RecordGuard guard(&r);
    r.SetStopRequest(request);
}

}  // namespace

TEST(CDVXAtomThreadTest, ACycleWritesOneLetterPerSixtyKilobytesAndVerifiesThem) {
    for (bool buffered : {true, false}) {
        TempDir dir(kDiskBase);
        CDVXThreadData record;
        const int slot = CDVXThreadData::Slot(buffered);
        std::thread t = (new CDVXAtomThread(buffered))
                            ->Start(Chaine(std::string_view(dir.Path())), 1048576, 0, &record);
        while (Written(record, slot) < 17) std::this_thread::sleep_for(5ms);
        RequestStop(record, CDVXThreadData::kStopAfterCycle);
        t.join();
        EXPECT_EQ(record.state, CDVXThreadData::kEnded);
        EXPECT_EQ(record.errorKind, 0);
        // A stop ends the writing at once; what was written is still read back.
        EXPECT_GE(record.bytesWritten[slot], 17u);
        EXPECT_EQ(record.bytesRead[slot], record.bytesWritten[slot]);
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << Listing(dir.Path());
    }
}

TEST(CDVXAtomThreadTest, AStopDuringTheWritingStillVerifiesWhatWasWritten) {
    TempDir dir(kDiskBase);
    CDVXThreadData record;
    // 51 letters a cycle; after the first alphabet the thread pauses ~245 ms.
    std::thread t = (new CDVXAtomThread(true))
                        ->Start(Chaine(std::string_view(dir.Path())), 3145728, 0, &record);
    while (Written(record, 1) < 26) std::this_thread::sleep_for(2ms);
    RequestStop(record, CDVXThreadData::kStopAfterCycle);
    t.join();
    EXPECT_EQ(record.bytesWritten[1], 26u);
    EXPECT_EQ(record.bytesRead[1], 26u);
    EXPECT_EQ(record.state, CDVXThreadData::kEnded);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << Listing(dir.Path());
}

TEST(CDVXAtomThreadTest, AnAbortSkipsTheVerification) {
    TempDir dir(kDiskBase);
    CDVXThreadData record;
    std::thread t = (new CDVXAtomThread(true))
                        ->Start(Chaine(std::string_view(dir.Path())), 3145728, 0, &record);
    while (Written(record, 1) < 26) std::this_thread::sleep_for(2ms);
    RequestStop(record, CDVXThreadData::kAbort);
    t.join();
    EXPECT_EQ(record.bytesRead[1], 0u);
    EXPECT_EQ(record.errorKind, 0);
    EXPECT_EQ(record.state, CDVXThreadData::kEnded);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << Listing(dir.Path());
}
