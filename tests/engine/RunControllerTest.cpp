#include "engine/RunController.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <tuple>

#include "tests/Fields.h"
#include "tests/TempDir.h"
#include "tests/engine/EngineEnvironment.h"

namespace {

using R = RunController;

// Polls as the front ends do until data came back, or the run is over.
bool PollUntilRead(RunController& run) {
    const auto read = [&run] { return run.Snapshot().TotalRead(true) > 0; };
    Eventually([&] { return !run.Poll().running || read(); }, 60000);
    return read();
}

void PollUntilOver(RunController& run) {
    Eventually([&] { return !run.Poll().running; }, 60000);
    run.WaitForThreads();
}

constexpr uint32_t kForever = CDVXPrefs::UntilStopped;

}  // namespace

TEST(RunControllerTest, TheBarStopsAtTheEndOfTheLongestRun) {
    CDVXPrefs prefs;
    // The program's own waits; tests shorten them.
    EXPECT_TRUE(Fields()
                    .Is("start delay", prefs.timings.startDelayMs, 500u)
                    .Is("short read wait", prefs.timings.shortReadWaitMs, 2000u)
                    .Is("minute", prefs.timings.minuteMs, 60000u));
    // elapsed, duration, position; the longest run ends 23 s before 2^31 ms.
    const std::tuple<uint32_t, uint32_t, uint32_t> cases[] = {
        {179999, 3, 179999}, {239999, 3, 180000}, {0xFFFFFFFFu, 35791, 2147460000u}};
    for (const auto& [elapsed, duration, position] : cases) {
        prefs.SetDurationMinutes(duration);
        EXPECT_EQ(R::BarPosition(elapsed, prefs), position) << elapsed;
    }
}

// Real runs on tmpfs with 100 ms minutes, ended each way a user or the clock
// can end them: the ending, the verdict and where the front end goes next.
TEST(RunControllerTest, EachWayOfEndingGivesItsVerdict) {
    enum Request { kNothing, kStop, kAbortBack, kAbortThenStop, kCancelThenBack };
    struct Row {
        const char* what;
        Request request;
        uint32_t minutes;
        uint32_t stopAfterMs;
        RunVerdict::Ending ending;
        RunVerdict::Result result;
        R::After after;
    };
    const Row rows[] = {
        {"the time runs out", kNothing, 3, 0, RunVerdict::kTimeUp, RunVerdict::kOk, R::kShowResult},
        {"a shorter limit", kNothing, kForever, 400, RunVerdict::kTimeUp, RunVerdict::kOk,
         R::kShowResult},
        {"Next", kStop, kForever, 0, RunVerdict::kStopped, RunVerdict::kOk, R::kShowResult},
        {"Back", kAbortBack, kForever, 0, RunVerdict::kAborted, RunVerdict::kInterrupted, R::kBack},
        {"an abort stays one", kAbortThenStop, kForever, 0, RunVerdict::kAborted,
         RunVerdict::kInterrupted, R::kShowResult},
        {"Cancel wins", kCancelThenBack, kForever, 0, RunVerdict::kAborted,
         RunVerdict::kInterrupted, R::kCancel},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        TempDir dir("/dev/shm");
        CDVXPrefs prefs;
        prefs.SetDirectory(Chaine(std::string_view(dir.Path())));
        prefs.timings = kQuick;
        prefs.SetDurationMinutes(r.minutes);
        RunController run;
        run.Start(prefs, r.stopAfterMs);
        // Requests come once data went both ways, as a user would see it.
        ASSERT_TRUE(PollUntilRead(run));
        switch (r.request) {
            case kNothing: break;
            case kStop: run.Stop(); break;
            case kAbortBack: run.Abort(R::kBack); break;
            case kAbortThenStop: run.Abort(R::kBack), run.Stop(); break;
            case kCancelThenBack: run.Abort(R::kCancel), run.Abort(R::kBack); break;
        }
        // Without a request the clock may already have ended a slow run here.
        if (r.request != kNothing) {
            EXPECT_TRUE(run.IsStopping());
        }
        PollUntilOver(run);
        const RunVerdict verdict = run.Verdict();
        EXPECT_EQ(verdict.EndingName(), RunVerdict::EndingName(r.ending));
        EXPECT_EQ(verdict.result, r.result);
        EXPECT_EQ(run.GetAfter(), r.after);
        EXPECT_FALSE(run.IsBusy());
        EXPECT_TRUE(Snapshot(dir.Path()).empty());
    }
}
