// Each fault of faults.json, injected by faultfs under a real run of
// dalvex2-cli: the run must end as the row says (a fault never as a success),
// with the right report, and leave nothing behind.
#include <gtest/gtest.h>

#include "tests/CliProcess.h"
#include "tests/FaultMount.h"
#include "tests/TempDir.h"

namespace {

class FaultInjection : public testing::TestWithParam<TableRow> {};

}  // namespace

TEST_P(FaultInjection, IsCaughtAndReported) {
    const json& c = GetParam().data;
    SCOPED_TRACE(c.value("why", ""));
    FaultMount mount(c["faults"].get<std::vector<std::string>>());
    if (!mount.mounted) GTEST_SKIP() << "FUSE, root or faultfs missing";
    TempDir tmp;
    const std::string temp = c.value("tempOnMount", false) ? mount.point.Path() : tmp.Path();
    const int status = c["status"];
    // Until it fails, or for 3 s when the fault must be overcome.
    const auto [r, j] =
        RunChecked({mount.point.Path(), "--stop-after", status ? "20" : "3", "--quiet"}, temp,
                   status, json::object(), {mount.source.Path(), temp});
    std::vector<json> found;
    for (const json& f : j["failures"]) {
        if (f["test"] == c["test"]) found.push_back(f);
    }
    ASSERT_EQ(found.empty(), status == 0) << j.dump(2);
    // Data go wrong in every file of the kind; a failed call is one call.
    if (status && c["faults"][0].get<std::string>().starts_with("fail:")) {
        EXPECT_EQ(found.size(), 1u) << j.dump(2);
    }
    const uint32_t step = c.value("step", 0u);
    for (const json& f : found) {
        EXPECT_TRUE(Contains(f, c["failure"])) << f.dump(2);
        const uint32_t position = f["position"];
        EXPECT_TRUE(position <= 3145728 && (step == 0 || position % step == 0)) << position;
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultInjection, testing::ValuesIn(ReadTable(DALVEX_FAULTS_TABLE)),
                         RowName);
