#include "engine/CDVXThreadData.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>
#include <tuple>

#include "engine/CDVXProgressData.h"
#include "tests/TempDir.h"

using D = CDVXThreadData;

// An abort is final and a failure stays. The first failure keeps its details
// and time, but a code of 0 is no failure; a data error after it is recorded
// as the latest kind, and only the first real difference is kept.
TEST(CDVXThreadDataTest, RequestsStatesAndTheFirstErrorsDetails) {
    D r;
    for (int32_t request : {D::kStopAfterCycle, D::kAbort, D::kStopAfterCycle, D::kNoStop})
        r.SetStopRequest(request);
    for (int32_t state : {D::kFailed, D::kEnded, D::kRunning}) r.SetState(state);
    EXPECT_EQ(std::tie(r.stopRequest, r.state), std::tuple(D::kAbort, D::kFailed));
    D e;
    e.RecordSystemError(0, D::kReadFile, 1, 0);
    e.RecordSystemError(112, D::kWriteFile, 131072, ENOSPC);
    const auto first = std::tuple(e.failTicks, e.localtime.second);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    e.RecordSystemError(5, D::kDeleteFile, 7, EACCES);
    EXPECT_EQ(std::tie(e.state, e.errorKind, e.winerr, e.sysErrno, e.operation, e.position),
              std::tuple(D::kFailed, D::kSystemError, 112u, ENOSPC, D::kWriteFile, 131072u));
    EXPECT_TRUE(std::tuple(e.failTicks, e.localtime.second) == first && e.localtime.year != 0)
        << "the time of the first failure";
    e.RecordDataError(Chaine(), Chaine(), 1000);  // a truncated file: no bytes to show
    e.RecordDataError(Chaine("6162"), Chaine("6163"), 99);
    e.RecordDataError(Chaine("00"), Chaine("01"), 5);
    EXPECT_EQ(std::tie(e.errorKind, e.datawait, e.dataget, e.position, e.winerr),
              std::tuple(D::kDataError, Chaine("6162"), Chaine("6163"), 99u, 112u));
    D internal;
    internal.RecordInternalError();
    EXPECT_EQ(std::tie(internal.state, internal.errorKind),
              std::tuple(D::kFailed, D::kInternalError));
}

// Whole seconds, counted from the fifth.
TEST(CDVXProgressDataTest, Throughputs) {
    const std::tuple<uint32_t, uint64_t, uint64_t> cases[] = {
        {5999, 12000000, 0}, {6000, 12000000, 2000000}, {6999, 12000000, 2000000}};
    for (const auto& [ms, bytes, perSecond] : cases)
        EXPECT_EQ(CDVXProgressData::Throughput(ms, bytes), perSecond) << ms;
    EXPECT_EQ(CDVXProgressData::FormatDuration(0xFFFFFFFF), "49 jour(s) 17 h 2 min 47 sec");
}
