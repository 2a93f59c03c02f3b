#include "engine/CDVXThreadData.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>
#include <tuple>

#include "engine/CDVXProgressData.h"
#include "engine/ResumeWatch.h"
#include "platform/Clock.h"
#include "tests/Fields.h"
#include "tests/TempDir.h"

using D = CDVXThreadData;

// An abort is final; a failure stays, with the time it came. The first failed
// call keeps its details (a code of 0 is none); a data error after it is the
// latest kind, and only the first real difference is kept.
TEST(CDVXThreadDataTest, RequestsStatesAndTheFirstErrorsDetails) {
    D r;
    for (auto v : {D::kStopAfterCycle, D::kAbort, D::kStopAfterCycle}) r.SetStopRequest(v);
    for (auto v : {D::kFailed, D::kEnded, D::kRunning}) r.SetState(v);
    const uint32_t ticks = r.failure.failTicks;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    r.RecordSystemError(0, D::kReadFile, 1, 0);
    r.RecordSystemError(112, D::kWriteFile, 131072, ENOSPC);
    r.RecordSystemError(5, D::kDeleteFile, 7, EACCES);
    const TestFailure& f = r.failure;
    EXPECT_TRUE(Fields()
                    .Is("stop request", r.stopRequest.load(), D::kAbort)
                    .Is("state", r.state.load(), D::kFailed)
                    .Is("kind", f.errorKind, D::kSystemError)
                    .Is("code", f.winerr, 112u)
                    .Is("errno", f.sysErrno, ENOSPC)
                    .Is("operation", f.operation, D::kWriteFile)
                    .Is("position", f.position, 131072u)
                    .Is("ticks", f.failTicks, ticks)
                    .Is("local time set", f.localtime.year != 0, true));
    r.RecordDataError(Chaine(), Chaine(), 1000);  // a truncated file: no bytes to show
    r.RecordDataError(Chaine("6162"), Chaine("6163"), 99);
    r.RecordDataError(Chaine("00"), Chaine("01"), 5);
    EXPECT_TRUE(Fields()
                    .Is("kind", f.errorKind, D::kDataError)
                    .Is("expected", f.datawait, Chaine("6162"))
                    .Is("read", f.dataget, Chaine("6163"))
                    .Is("position", f.position, 99u)
                    .Is("code", f.winerr, 112u));
}

// A call that waited past the limit fails its record once, as timed out, with
// the file it was on (the directory before the file had a name), and the
// thread is not waited for any more; a record that failed before keeps its
// own failure. The files a record still names are the ones left behind, and
// its snapshot shows the call it is in and those files.
TEST(CDVXThreadDataTest, StalledCallsAndFilesLeftBehind) {
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
        r.EnterCall(D::kWriteFile, 65536, slot);
        const TestSnapshot::PendingCall call = r.Snapshot(platform::Clock::GetTickCount()).call;
        EXPECT_TRUE(Fields()
                        .Is("operation", call.operation, D::kWriteFile)
                        .Is("position", call.position, 65536u)
                        .Is("file", call.file, Chaine(slot == 0 ? "/s/VXZ1.TMP" : "/s")));
        const uint32_t now = call.sinceTicks + waited;
        EXPECT_EQ(r.IsStuck(now, 5000), waited >= 5000);
        EXPECT_EQ(r.RecordStall(now, 5000), recorded);
        EXPECT_TRUE(Fields()
                        .Is("code", r.failure.winerr, code)
                        .Is("seconds", r.failure.stallSeconds, seconds)
                        .Is("file", r.failure.stallFile, Chaine(file))
                        .Is("state", r.state.load(), recorded ? D::kFailed : D::kRunning))
            << first << " " << waited;
        EXPECT_NE(r.RecordStall(now + 1000, 5000), recorded) << "recorded once";
        r.LeaveCall();
        EXPECT_TRUE(r.IsStuck(now, UINT32_MAX)) << "a thread that stalled is left for good";
        r.ReleaseFileSlot(0);  // its file is still there
        r.SetFileName(1, Chaine("/s/VXC2.TMP"));
        EXPECT_EQ(r.Snapshot(now).leftFiles,
                  (std::vector{Chaine("/s/VXZ1.TMP"), Chaine("/s/VXC2.TMP")}));
    }
}

// A pending call's wait restarts after a pause no share caused: the process
// stopped (looks far apart) or the system asleep (the boot-time clock ran on
// while the monotonic one stood still), the tick count wrapping or not.
TEST(CDVXThreadDataTest, APauseOfTheProcessOrTheSystemIsNoWaitOnTheShare) {
    // {ticks after the look before, ms slept since (UINT64_MAX: a reading a
    // millisecond below the one before)} -> resumed
    const std::tuple<uint32_t, uint64_t, bool> cases[] = {
        {200, 0, false},   {4999, 999, false},   {5000, 0, true},
        {200, 1000, true}, {200, 3600000, true}, {200, UINT64_MAX, false},
    };
    for (const auto& [after, slept, resumed] : cases) {
        for (const uint32_t first : {1000u, UINT32_MAX - 100}) {
            ResumeWatch watch;
            EXPECT_FALSE(watch.Resumed(first, 7000)) << "the first look";
            EXPECT_EQ(watch.Resumed(first + after, 7000 + slept), resumed) << after << " " << slept;
        }
    }
}
