#include "engine/CDVXThreadData.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>
#include <tuple>

#include "engine/CDVXProgressData.h"
#include "tests/TempDir.h"

using D = CDVXThreadData;

// An abort is final; a failure stays, with the time it came. The first failed
// call keeps its details (a code of 0 is none); a data error after it is the
// latest kind, and only the first real difference is kept.
TEST(CDVXThreadDataTest, RequestsStatesAndTheFirstErrorsDetails) {
    D r;
    for (auto v : {D::kStopAfterCycle, D::kAbort, D::kStopAfterCycle}) r.SetStopRequest(v);
    for (auto v : {D::kFailed, D::kEnded, D::kRunning}) r.SetState(v);
    const uint32_t ticks = r.failTicks;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    r.RecordSystemError(0, D::kReadFile, 1, 0);
    r.RecordSystemError(112, D::kWriteFile, 131072, ENOSPC);
    r.RecordSystemError(5, D::kDeleteFile, 7, EACCES);
    EXPECT_EQ(std::tuple(r.stopRequest, r.state, r.errorKind, r.winerr, r.sysErrno, r.operation,
                         r.position, r.failTicks, r.localtime.year != 0),
              std::tuple(D::kAbort, D::kFailed, D::kSystemError, 112u, ENOSPC, D::kWriteFile,
                         131072u, ticks, true));
    r.RecordDataError(Chaine(), Chaine(), 1000);  // a truncated file: no bytes to show
    r.RecordDataError(Chaine("6162"), Chaine("6163"), 99);
    r.RecordDataError(Chaine("00"), Chaine("01"), 5);
    EXPECT_EQ(std::tie(r.errorKind, r.datawait, r.dataget, r.position, r.winerr),
              std::tuple(D::kDataError, Chaine("6162"), Chaine("6163"), 99u, 112u));
}

// Whole seconds, counted from the fifth.
TEST(CDVXProgressDataTest, Throughputs) {
    for (const auto& [ms, perSecond] : {std::pair{5999u, 0ull}, std::pair{6000u, 2000000ull}})
        EXPECT_EQ(CDVXProgressData::Throughput(ms, 12000000), perSecond) << ms;
    EXPECT_EQ(CDVXProgressData::FormatDuration(0xFFFFFFFF), "49 jour(s) 17 h 2 min 47 sec");
}
