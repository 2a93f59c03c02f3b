#include "report/result/JsonResult.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "tests/CliProcess.h"
#include "tests/Failures.h"

TEST(JsonResultTest, AFailureAsTheReportShowsItAndWhenItHappened) {
    CDVXPrefs prefs;
    prefs.SetDirectory(Chaine::FromUtf8("/srv/partagé"));
    JsonResult::Run run;
    run.prefs = &prefs;
    run.startedAt = {2026, 12, 0, 6, 9, 5, 3, 0, -9000};  // UTC-02:30
    FailureReport f;
    f.test.failure = SystemFailure(1117, TestFailure::kSetFilePointer, 0xFFFFFFFF, ENOTSUP);
    f.testTimeMs = 61234;
    FailureReport far = f;
    far.test.failure.position = 3000000000;  // a 4095 MB file reaches past 2 GB
    const auto j = nlohmann::json::parse(
        JsonResult::Document(run, RunVerdict(RunVerdict::kFailure, true, 0, 0), {f, far}).Dump());
    EXPECT_TRUE(Contains(j, {{"directory", "/srv/partagé"},
                             {"startedAt", "2026-12-06T09:05:03-02:30"},
                             {"startedAtMs", 1796556903000}}))
        << j.dump(2);
    const auto& failure = j["failures"][0];
    EXPECT_TRUE(Contains(failure, {{"position", -1},
                                   {"operation", "SetFilePointer"},
                                   {"errno", ENOTSUP},
                                   {"testTime", "1 min 1 sec"}}))
        << "the position as the report shows a failed move to the end\n"
        << failure.dump(2);
    EXPECT_EQ(j["failures"][1]["position"], 3000000000u);
    const std::string message = failure["message"];
    EXPECT_NE(message.find("(EOPNOTSUPP : Operation not supported)"), std::string::npos) << message;
}
