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

// A 3 MB cycle (51 letters) asked to stop or abort after its first alphabet,
// while the thread pauses for about 245 ms. The directory must end up empty.
void RequestAfterFirstAlphabet(CDVXThreadData& record, int32_t request) {
    TempDir dir(kDiskBase);
    std::thread t = (new CDVXAtomThread(true))
                        ->Start(Chaine(std::string_view(dir.Path())), 3145728, 0, &record);
    while (Written(record, 1) < 26) std::this_thread::sleep_for(2ms);
    RequestStop(record, request);
    t.join();
    EXPECT_EQ(record.state, CDVXThreadData::kEnded);
    EXPECT_EQ(record.errorKind, 0);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path())) << Listing(dir.Path());
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
    CDVXThreadData record;
    RequestAfterFirstAlphabet(record, CDVXThreadData::kStopAfterCycle);
    EXPECT_EQ(record.bytesWritten[1], 26u);
    EXPECT_EQ(record.bytesRead[1], 26u);
}

TEST(CDVXAtomThreadTest, AnAbortSkipsTheVerification) {
    CDVXThreadData record;
    RequestAfterFirstAlphabet(record, CDVXThreadData::kAbort);
    EXPECT_EQ(record.bytesRead[1], 0u);
}
