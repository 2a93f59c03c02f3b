#include "engine/RunVerdict.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(RunVerdictTest, OnlyACompleteRunThatReadItsDataBackIsOk) {
    // {ending, failed, bytes written, bytes read, result, exit code}
    const std::tuple<RunVerdict::Ending, bool, uint64_t, uint64_t, const char*, int> cases[] = {
        {RunVerdict::kTimeUp, false, 100, 100, "ok", 0},
        {RunVerdict::kStopped, false, 100, 100, "ok", 0},
        {RunVerdict::kTimeUp, false, 0, 0, "interrupted", 3},     // nothing tested
        {RunVerdict::kStopped, false, 100, 0, "interrupted", 3},  // nothing read back
        {RunVerdict::kAborted, false, 100, 100, "interrupted", 3},
        {RunVerdict::kFailure, true, 0, 0, "failed", 1},
        {RunVerdict::kAborted, true, 100, 0, "failed", 1},  // a failure is never hidden
    };
    for (const auto& [ending, failed, written, read, result, exit] : cases) {
        const RunVerdict v(ending, failed, written, read);
        EXPECT_STREQ(v.ResultName(), result) << v.EndingName() << written << read;
        EXPECT_EQ(v.ExitCode(), exit) << v.EndingName();
    }
}
