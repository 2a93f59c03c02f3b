#include "cli/JsonResult.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <nlohmann/json.hpp>

#include "engine/CDVXThreadData.h"

TEST(JsonResultTest, AFailureAsTheReportShowsItAndWhenItHappened) {
    CDVXPrefs prefs;
    prefs.SetDirectory(Chaine("/srv/partag\xE9"));
    JsonResult::Run run;
    run.prefs = &prefs;
    run.host = "poste-7";
    run.startedAt = {2026, 12, 0, 6, 9, 5, 3, 0, -9000};  // UTC-02:30
    FailureReport f;
    f.category = ReportText::kIoError;
    f.errorKind = CDVXThreadData::kSystemError;
    f.winerr = 1117;
    f.sysErrno = ENOTSUP;
    f.operation = CDVXThreadData::kSetFilePointer;
    f.position = 0xFFFFFFFFu;
    f.testTimeMs = 61234;
    f.localtime = {2026, 12, 0, 6, 9, 6, 4, 0, 3600};
    FailureReport far = f;
    far.position = 3000000000u;  // a 4095 MB file reaches past 2 GB
    const auto j = nlohmann::json::parse(
        JsonResult::Build(run, RunVerdict(RunVerdict::kFailure, true, 0, 0), {f, far}));
    EXPECT_EQ(j["directory"], "/srv/partagé");
    EXPECT_EQ(j["host"], "poste-7");
    EXPECT_EQ(j["startedAt"], "2026-12-06T09:05:03-02:30");
    EXPECT_EQ(j["ending"], "failure");
    EXPECT_EQ(j["result"], "failed");
    const auto& failure = j["failures"][0];
    EXPECT_EQ(failure["position"], -1) << "as the report shows it";
    EXPECT_EQ(failure["operation"], "SetFilePointer");
    EXPECT_EQ(failure["errno"], ENOTSUP);
    EXPECT_NE(failure["message"].get<std::string>().find("(EOPNOTSUPP : Operation not supported)"),
              std::string::npos)
        << failure["message"];
    EXPECT_EQ(failure["localTime"], "2026-12-06T09:06:04+01:00");
    EXPECT_EQ(failure["testTime"], "1 min 1 sec");
    EXPECT_EQ(failure["testTimeMs"], 61234);
    EXPECT_EQ(j["failures"][1]["position"], 3000000000u);
}
