#include "engine/CDVXProgressData.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/Printers.h"

TEST(CDVXProgressDataTest, DurationText) {
    const std::pair<uint32_t, const char*> cases[] = {
        {0, "0 sec"},
        {59999, "59 sec"},
        {60000, "1 min 0 sec"},
        {65000, "1 min 5 sec"},
        {3600000, "1 h 0 min 0 sec"},
        {90061000, "1 jour(s) 1 h 1 min 1 sec"},
        {86400000, "1 jour(s) 0 h 0 min 0 sec"},
        {0xFFFFFFFF, "49 jour(s) 17 h 2 min 47 sec"},
    };
    for (const auto& [ms, text] : cases) EXPECT_EQ(CDVXProgressData::FormatDuration(ms), text);
}

TEST(CDVXProgressDataTest, ThroughputCountsWholeSecondsAfterTheFifth) {
    EXPECT_EQ(CDVXProgressData::Throughput(5999, 12000000), 0u);
    EXPECT_EQ(CDVXProgressData::Throughput(6000, 12000000), 2000000u);
    EXPECT_EQ(CDVXProgressData::Throughput(6999, 12000000), 2000000u);
    EXPECT_EQ(CDVXProgressData::Throughput(7000, 0), 0u);
}

TEST(CDVXProgressDataTest, OnlyWriteThroughBytesCountForTheThroughput) {
    CDVXProgressData progress;
    CDVXThreadData* a = progress.AddThreadData();
    CDVXThreadData* b = progress.AddThreadData();
    a->AddBytesWritten(1, 1000);  // buffered
    a->AddBytesRead(1, 500);
    b->AddBytesWritten(0, 70);  // write-through
    b->AddBytesRead(0, 30);
    EXPECT_EQ(progress.GetTotalWritten(true), 1070u);
    EXPECT_EQ(progress.GetTotalWritten(false), 70u);
    EXPECT_EQ(progress.GetTotalRead(true), 530u);
    EXPECT_EQ(progress.GetTotalRead(false), 30u);
    EXPECT_EQ(progress.GetThroughput(), 0u) << "the clock never started";
}

TEST(CDVXProgressDataTest, TheClockStartsStopsOnceAndFreezes) {
    CDVXProgressData progress;
    EXPECT_EQ(progress.GetElapsedMs(), 0u);
    progress.StopClock();
    EXPECT_EQ(progress.GetElapsedMs(), 0u) << "a clock that never started stays at 0";
    progress.StartClock();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    progress.StopClock();
    const uint32_t frozen = progress.GetElapsedMs();
    EXPECT_GE(frozen, 30u);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    progress.StopClock();
    EXPECT_EQ(progress.GetElapsedMs(), frozen);
    progress.StartClock();
    EXPECT_LT(progress.GetElapsedMs(), frozen) << "a new start restarts the clock";
}

TEST(CDVXProgressDataTest, StatesStopRequestsAndTheFailureCheck) {
    CDVXProgressData progress;
    EXPECT_FALSE(progress.IsAnyRunning());
    CDVXThreadData* records[3];
    for (auto& r : records) r = progress.AddThreadData();
    EXPECT_EQ(progress.GetThreadCount(), 3u);
    EXPECT_EQ(progress.GetThreadData(1), records[1]);
    EXPECT_TRUE(progress.IsAnyRunning());
    EXPECT_FALSE(progress.IsAnyFailed());

    progress.CheckFailure();
    for (auto* r : records) EXPECT_EQ(r->stopRequest, 0);
    progress.RequestStopAll(1);
    for (auto* r : records) EXPECT_EQ(r->stopRequest, 1);

    records[2]->RecordInternalError();
    progress.CheckFailure();
    for (auto* r : records) EXPECT_EQ(r->stopRequest, 2);
    EXPECT_TRUE(progress.IsAnyFailed());

    for (auto* r : records) r->SetState(0);
    EXPECT_FALSE(progress.IsAnyRunning());
    progress.ClearThreadData();
    EXPECT_EQ(progress.GetThreadCount(), 0u);
}
