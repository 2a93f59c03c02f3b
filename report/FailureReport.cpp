#include "report/FailureReport.h"

std::vector<FailureReport> FailureReport::Collect(const RunSnapshot& run) {
    std::vector<FailureReport> reports;
    for (const TestSnapshot& test : run.tests) {
        if (test.state != TestSnapshot::kFailed) continue;
        FailureReport f{ReportText::CategoryOf(test.failure), test,
                        test.failure.failTicks - run.startTicks,
                        ReportText::BuildReport(test, run.startTicks)};
        if (test.failure.errorKind == TestFailure::kSystemError) {
            reports.insert(reports.begin(), std::move(f));
        } else {
            reports.push_back(std::move(f));
        }
    }
    return reports;
}
