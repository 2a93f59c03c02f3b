#include "cli/RunVerdict.h"

#include <gtest/gtest.h>

#include <string>

TEST(RunVerdictTest, OnlyACompleteRunThatReadItsDataBackIsOk) {
    const struct {
        RunVerdict::Ending ending;
        bool failed;
        uint64_t written, read;
        const char* result;
        int exit;
    } cases[] = {
        {RunVerdict::kTimeUp, false, 100, 100, "ok", 0},
        {RunVerdict::kStopped, false, 100, 100, "ok", 0},
        {RunVerdict::kTimeUp, false, 0, 0, "interrupted", 3},     // nothing tested
        {RunVerdict::kStopped, false, 100, 0, "interrupted", 3},  // nothing read back
        {RunVerdict::kAborted, false, 100, 100, "interrupted", 3},
        {RunVerdict::kFailure, true, 0, 0, "failed", 1},
        {RunVerdict::kAborted, true, 100, 0, "failed", 1},  // a failure is never hidden
    };
    for (const auto& c : cases) {
        const RunVerdict v(c.ending, c.failed, c.written, c.read);
        EXPECT_EQ(std::string(v.ResultName()), c.result) << v.EndingName() << c.written << c.read;
        EXPECT_EQ(v.ExitCode(), c.exit) << v.EndingName();
    }
}
