#include "cli/JsonResult.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/StartTime.h"
#include "engine/CDVXProgressData.h"
#include "report/ReportText.h"
#include "support/BuildVersion.h"

using json = nlohmann::ordered_json;

namespace {

json Text(const Chaine& text) { return text.ToUtf8(); }

json Optional(const std::optional<int64_t>& value) { return value ? json(*value) : json(); }

// The share's course: one entry a point in each list.
json Series(const ShareSeries& share) {
    json written = json::array(), read = json::array(), waiting = json::array();
    for (const ShareSeries::Point& p : share.Points()) {
        written.push_back(p.written);
        read.push_back(p.read);
        waiting.push_back(p.waiting);
    }
    return {{"intervalMs", share.IntervalMs()},
            {"written", written},
            {"read", read},
            {"waiting", waiting}};
}

json CrossCheck(const JsonResult::Run& run) {
    if (!run.crossCheck) return json();
    const JsonResult::Run::CrossCheck& c = *run.crossCheck;
    return {{"directory", Text(c.directory)},
            {"partner", c.partner.IsEmpty() ? json() : Text(c.partner)},
            {"bytesRead", c.bytesRead},
            {"bytesWritten", c.bytesWritten}};
}

}  // namespace

std::string JsonResult::Iso8601(const platform::SystemTime& t) {
    const int offset = t.utcOffsetSeconds / 60;
    const int magnitude = offset < 0 ? -offset : offset;
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u%c%02d:%02d", t.year, t.month,
                  t.day, t.hour, t.minute, t.second, offset < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return text;
}

std::string JsonResult::Build(const Run& run, const RunVerdict& verdict,
                              const std::vector<FailureReport>& failures) {
    json failureList = json::array();
    for (const FailureReport& report : failures) {
        const TestFailure& f = report.test.failure;
        const bool system = f.errorKind == TestFailure::kSystemError;
        const bool data = f.errorKind == TestFailure::kDataError;
        const Chaine message =
            ReportText::SystemMessage(f.winerr, f.sysErrno, f.stallSeconds, f.stallFile);
        const bool stalled = system && f.stallSeconds != 0;
        failureList.push_back({
            {"test", Text(report.test.testname)},
            {"directory", Text(report.test.tstdir)},
            {"category", ReportText::CategoryName(report.category)},
            {"errorKind", f.errorKind},
            {"operation", system ? Text(ReportText::OperationName(f.operation)) : json()},
            {"winerr", system ? json(f.winerr) : json()},
            {"errno", system && f.sysErrno != 0 ? json(f.sysErrno) : json()},
            {"errnoName", system && f.sysErrno != 0 ? Text(ReportText::ErrnoName(f.sysErrno)) : json()},
            {"message", system && !message.IsEmpty() ? Text(message) : json()},
            {"position", ReportText::PositionValue(f.position)},
            {"file", stalled ? Text(f.stallFile) : json()},
            {"stalledSeconds", stalled ? json(f.stallSeconds) : json()},
            {"expected", data ? Text(f.datawait) : json()},
            {"read", data ? Text(f.dataget) : json()},
            {"localTime", Iso8601(f.localtime)},
            {"testTime", Text(CDVXProgressData::FormatDuration(report.testTimeMs))},
            {"testTimeMs", report.testTimeMs},
        });
    }
    json leftFiles = json::array();
    for (const Chaine& name : run.leftFiles) leftFiles.push_back(Text(name));
    const CDVXPrefs& prefs = *run.prefs;
    const json result = {
        {"directory", Text(prefs.directory)},
        {"tempDirectory", Text(run.tempDirectory)},
        {"networkPath", run.client.network},
        {"fileSystem", Text(run.client.type)},
        {"mountSource", Text(run.client.source)},
        {"cachesWrites", run.client.cachesWrites},
        // What was read back may have come from the client's cache alone.
        {"serverProven", !run.client.cachesWrites},
        {"crossCheck", CrossCheck(run)},
        {"host", run.host},
        {"label", run.label},
        {"version", BuildVersion()},
        {"startedAt", Iso8601(run.startedAt)},
        {"startedAtMs", StartTime::EpochMs(run.startedAt)},
        {"startAtMs", Optional(run.startAtMs)},
        {"clockOffsetMs", Optional(run.clockOffsetMs)},
        {"referenceStartedAtMs", Optional(run.referenceStartedAtMs)},
        {"settings",
         {{"diskSpaceMb", prefs.diskSpaceMb},
          {"simultaneousTests", prefs.simultaneousTests},
          {"durationMinutes", prefs.durationMinutes},
          {"threadPriority", prefs.threadPriority},
          {"stopAfterSeconds", run.stopAfterSeconds},
          {"stallSeconds", prefs.timings.stallLimitMs / 1000}}},
        {"elapsedMs", run.elapsedMs},
        {"bytesWritten", run.bytesWritten},
        {"bytesRead", run.bytesRead},
        {"throughput", run.throughput},
        {"shareBytesWritten", run.share.Written()},
        {"shareBytesRead", run.share.Read()},
        {"shareThroughput", run.share.Throughput(run.elapsedMs)},
        {"longestShareIdleMs", run.share.LongestIdleMs()},
        {"series", Series(run.share)},
        {"ending", verdict.EndingName()},
        {"result", verdict.ResultName()},
        {"failures", failureList},
        {"leftFiles", leftFiles},
    };
    return result.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}
