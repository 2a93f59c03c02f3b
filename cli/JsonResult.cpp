#include "cli/JsonResult.h"

#include <nlohmann/json.hpp>

#include "engine/CDVXProgressData.h"
#include "engine/CDVXThreadData.h"
#include "report/ReportText.h"
#include "support/TimeText.h"

using json = nlohmann::ordered_json;

namespace {

json Text(const Chaine& text) { return text.ToUtf8(); }

}  // namespace

const char* JsonResult::CategoryName(const FailureReport& f) {
    switch (f.category) {
        case ReportText::kDiskFull: return "disk-full";
        case ReportText::kIoError: return "io-error";
        case ReportText::kDataDiffer: return "data-differ";
        case ReportText::kTruncated: return "truncated";
        case ReportText::kInternal: break;
    }
    return "internal";
}

std::string JsonResult::Build(const CDVXPrefs& prefs, const Chaine& tempDirectory, bool networkPath,
                              const Totals& totals, const std::vector<FailureReport>& failures) {
    json failureList = json::array();
    for (const FailureReport& f : failures) {
        const bool system = f.errorKind == CDVXThreadData::kSystemError;
        const bool data = f.errorKind == CDVXThreadData::kDataError;
        Chaine message;
        if (system) message.GetSystemErrorText(f.winerr);
        message.ReplaceChar('\r', ' ');
        message.ReplaceChar('\n', ' ');
        failureList.push_back({
            {"test", Text(f.testname)},
            {"directory", Text(f.tstdir)},
            {"category", CategoryName(f)},
            {"errorKind", f.errorKind},
            {"operation", system ? Text(ReportText::OperationName(f.operation)) : json()},
            {"winerr", system ? json(f.winerr) : json()},
            {"message", system && !message.IsEmpty() ? Text(message) : json()},
            {"position", f.position},
            {"expected", data ? Text(f.datawait) : json()},
            {"read", data ? Text(f.dataget) : json()},
            {"localTime", Text(FormatTimeOfDay(TimeOfDay::FromSystemTime(f.localtime), 1, ':'))},
            {"testTime", Text(CDVXProgressData::FormatDuration(f.testTimeMs))},
        });
    }
    const json result = {
        {"directory", Text(prefs.directory)},
        {"tempDirectory", Text(tempDirectory)},
        {"networkPath", networkPath},
        {"settings",
         {{"diskSpaceMb", prefs.diskSpaceMb},
          {"simultaneousTests", prefs.simultaneousTests},
          {"durationMinutes", prefs.durationMinutes},
          {"threadPriority", prefs.threadPriority}}},
        {"elapsedMs", totals.elapsedMs},
        {"bytesWritten", totals.bytesWritten},
        {"bytesRead", totals.bytesRead},
        {"throughput", totals.throughput},
        {"result", failures.empty() ? "ok" : "failed"},
        {"failures", failureList},
    };
    return result.dump(2) + "\n";
}
