#include "engine/CDVXThreadData.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "tests/Printers.h"

TEST(CDVXThreadDataTest, AnAbortIsFinalAndAFailureStays) {
    CDVXThreadData r;
    EXPECT_EQ(r.state, CDVXThreadData::kRunning);
    r.SetStopRequest(1);
    EXPECT_EQ(r.stopRequest, 1);
    r.SetStopRequest(2);
    r.SetStopRequest(1);
    r.SetStopRequest(0);
    EXPECT_EQ(r.stopRequest, 2);

    r.SetState(2);
    r.SetState(0);
    r.SetState(1);
    EXPECT_EQ(r.state, 2);
}

TEST(CDVXThreadDataTest, TheFirstSystemErrorKeepsItsDetails) {
    CDVXThreadData r;
    r.RecordSystemError(112, CDVXThreadData::kWriteFile, 131072, ENOSPC);
    const uint32_t firstTicks = r.failTicks;
    const auto firstTime = r.localtime;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    r.RecordSystemError(5, CDVXThreadData::kDeleteFile, 7, EACCES);
    EXPECT_EQ(r.state, 2);
    EXPECT_EQ(r.errorKind, 1);
    EXPECT_EQ(r.winerr, 112u);
    EXPECT_EQ(r.sysErrno, ENOSPC);
    EXPECT_EQ(r.operation, 4);
    EXPECT_EQ(r.position, 131072u);
    EXPECT_EQ(r.failTicks, firstTicks) << "the failure time is that of the first failure";
    EXPECT_EQ(r.localtime.second, firstTime.second);
    EXPECT_NE(r.localtime.year, 0);
}

TEST(CDVXThreadDataTest, ACodeOfZeroLetsTheNextErrorIn) {
    CDVXThreadData r;
    r.RecordSystemError(0, CDVXThreadData::kReadFile, 1, 0);
    r.RecordSystemError(1117, CDVXThreadData::kCloseHandle, 2, EIO);
    EXPECT_EQ(r.winerr, 1117u);
    EXPECT_EQ(r.operation, 2);
    EXPECT_EQ(r.position, 2u);
}

TEST(CDVXThreadDataTest, DataAndInternalErrorsAfterOthers) {
    CDVXThreadData r;
    r.RecordSystemError(5, CDVXThreadData::kCreateFile, 10, EACCES);
    r.RecordDataError(Chaine("6162"), Chaine("6163"), 99);
    EXPECT_EQ(r.errorKind, 2) << "errorKind names the latest kind";
    EXPECT_EQ(r.datawait, "6162");
    EXPECT_EQ(r.dataget, "6163");
    EXPECT_EQ(r.position, 99u);
    EXPECT_EQ(r.winerr, 5u);
    r.RecordDataError(Chaine("00"), Chaine("01"), 5);
    EXPECT_EQ(r.datawait, "6162") << "only the first data error is kept";
    EXPECT_EQ(r.position, 99u);

    CDVXThreadData truncated;
    truncated.RecordDataError(Chaine(), Chaine(), 1000);
    truncated.RecordDataError(Chaine("aa"), Chaine("bb"), 2000);
    EXPECT_EQ(truncated.datawait, "aa") << "two empty texts leave room for a later error";
    EXPECT_EQ(truncated.position, 2000u);

    CDVXThreadData internal;
    internal.RecordInternalError();
    EXPECT_EQ(internal.state, 2);
    EXPECT_EQ(internal.errorKind, 3);
    EXPECT_EQ(internal.position, 0u);
}
