#include "engine/RunSnapshot.h"

#include <gtest/gtest.h>

#include <tuple>

#include "engine/CDVXProgressData.h"
#include "tests/Fields.h"

namespace {

TestSnapshot Make(int32_t state, bool pending, uint64_t writeThrough, uint64_t buffered) {
    TestSnapshot t;
    t.testname = Chaine("t");
    t.tstdir = Chaine("/s");
    t.state = state;
    t.pending = pending;
    t.call = {TestFailure::kReadFile, 4096, Chaine("/s/VXA1.TMP"), 1000};
    t.bytesWritten[0] = t.bytesRead[0] = writeThrough;
    t.bytesWritten[1] = t.bytesRead[1] = buffered;
    return t;
}

}  // namespace

// The clock: nothing before a start, the snapshot's moment while it runs,
// the stop once stopped. Totals and throughput: whole seconds from the
// sixth, write-through bytes only.
TEST(RunSnapshotTest, ClockTotalsAndThroughput) {
    // {start, stop, taken} -> elapsed
    const std::tuple<uint32_t, uint32_t, uint32_t, uint32_t> clocks[] = {{0, 0, 5000, 0},
                                                                         {1000, 0, 7000, 6000},
                                                                         {1000, 3000, 9000, 2000},
                                                                         {0xFFFFFF00, 0, 100, 356}};
    for (const auto& [start, stop, taken, elapsed] : clocks) {
        RunSnapshot run{start, stop, taken, {}};
        EXPECT_EQ(run.ElapsedMs(), elapsed) << start << " " << stop << " " << taken;
    }
    for (const auto& [ms, perSecond] : {std::pair{5999u, 0ull}, std::pair{6999u, 2000000ull}})
        EXPECT_EQ(RunSnapshot::Throughput(ms, 12000000), perSecond) << ms;
    RunSnapshot run{1000,
                    7000,
                    9000,
                    {Make(TestSnapshot::kEnded, false, 3000000, 7), Make(1, false, 3000000, 5)}};
    EXPECT_TRUE(Fields()
                    .Is("written", run.TotalWritten(false), 6000000u)
                    .Is("read", run.TotalRead(true), 6000012u)
                    .Is("throughput", run.Throughput(), 2000000u));
    EXPECT_EQ(CDVXProgressData::FormatDuration(0xFFFFFFFF), "49 jour(s) 17 h 2 min 47 sec");
}

// A run that ends without its engine: a test waiting on a call fails as
// timed out on its file, one that was not as an internal error; a failed or
// ended test keeps what it had, and the clock stops.
TEST(RunSnapshotTest, EndHereFailsWhatStillRan) {
    RunSnapshot run{
        500,
        0,
        0,
        {Make(TestSnapshot::kRunning, true, 0, 0), Make(TestSnapshot::kRunning, false, 0, 0),
         Make(TestSnapshot::kRunning, true, 0, 0), Make(TestSnapshot::kEnded, true, 0, 0)}};
    run.tests[2].state = TestSnapshot::kFailed;
    run.tests[2].failure.errorKind = TestFailure::kDataError;
    run.EndHere(true, 9500);
    // {state, kind, code, operation, seconds, file}
    const struct {
        int32_t state, kind;
        uint32_t code;
        int32_t operation;
        uint32_t seconds;
        Chaine file;
    } expected[] = {
        {TestSnapshot::kFailed, TestFailure::kSystemError, 121, TestFailure::kReadFile, 8,
         Chaine("/s/VXA1.TMP")},
        {TestSnapshot::kFailed, TestFailure::kInternalError, 0, 0, 0, Chaine()},
        {TestSnapshot::kFailed, TestFailure::kDataError, 0, 0, 0, Chaine()},
        {TestSnapshot::kEnded, TestFailure::kNoError, 0, 0, 0, Chaine()},
    };
    for (std::size_t i = 0; i < run.tests.size(); ++i) {
        const TestSnapshot& t = run.tests[i];
        const TestFailure& f = t.failure;
        const auto& e = expected[i];
        EXPECT_TRUE(Fields()
                        .Is("state", t.state, e.state)
                        .Is("kind", f.errorKind, e.kind)
                        .Is("code", f.winerr, e.code)
                        .Is("operation", f.operation, e.operation)
                        .Is("seconds", f.stallSeconds, e.seconds)
                        .Is("file", f.stallFile, e.file))
            << "test " << i;
    }
    EXPECT_TRUE(Fields()
                    .Is("failed at", run.tests[0].failure.failTicks, 9500u)
                    .Is("elapsed", run.ElapsedMs(), 9000u)
                    .Is("any failed", run.AnyFailed(), true));
}
