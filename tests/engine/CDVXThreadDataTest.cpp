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
    EXPECT_EQ(std::tuple(r.stopRequest.load(), r.state.load(), r.errorKind, r.winerr, r.sysErrno,
                         r.operation, r.position, r.failTicks, r.localtime.year != 0),
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

// A call that waited past the limit fails its record once, as timed out, with
// the file it was on (the directory before the file had a name), and the
// thread is not waited for any more; a record that failed before keeps its
// own failure. The files a record still names
// are the ones left behind.
TEST(CDVXThreadDataTest, StalledCallsAndFilesLeftBehind) {
    const uint32_t now = 1000000;
    // {first code, slot of the call, waited ms} -> {stall recorded, code, seconds, file}
    const std::tuple<uint32_t, int, uint32_t, bool, uint32_t, uint32_t, const char*> cases[] = {
        {0, 0, 6500, true, 121, 6, "/s/VXZ1.TMP"},
        {0, -1, 5000, true, 121, 5, "/s"},
        {0, 1, 4999, false, 0, 0, ""},
        {5, 0, 9000, true, 5, 0, ""},
    };
    for (const auto& [first, slot, waited, recorded, code, seconds, file] : cases) {
        D r;
        r.tstdir = Chaine("/s");
        for (int expected : {0, 1, -1}) EXPECT_EQ(r.ClaimFileSlot(), expected);
        r.SetFileName(0, Chaine("/s/VXZ1.TMP"));
        if (first != 0) r.RecordSystemError(first, D::kReadFile, 3, EACCES);
        r.EnterCall(D::kWriteFile, 65536, slot, now - waited);
        EXPECT_EQ(r.IsStuck(now, 5000), waited >= 5000);
        EXPECT_EQ(r.RecordStall(now, 5000), recorded);
        EXPECT_EQ(std::tuple(r.winerr, r.stallSeconds, r.stallFile, r.state.load()),
                  std::tuple(code, seconds, Chaine(file), recorded ? D::kFailed : D::kRunning))
            << first << " " << waited;
        EXPECT_NE(r.RecordStall(now + 1000, 5000), recorded) << "recorded once";
        r.LeaveCall();
        EXPECT_TRUE(r.IsStuck(now, UINT32_MAX)) << "a thread that stalled is left for good";
        r.ReleaseFileSlot(0);  // its file is still there
        r.SetFileName(1, Chaine("/s/VXC2.TMP"));
        EXPECT_EQ(r.LeftFiles(), (std::vector{Chaine("/s/VXZ1.TMP"), Chaine("/s/VXC2.TMP")}));
    }
}
