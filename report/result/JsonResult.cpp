#include "report/result/JsonResult.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "engine/CDVXProgressData.h"
#include "platform/ResourceIds.h"
#include "report/ReportText.h"
#include "report/result/StartTime.h"
#include "support/BuildVersion.h"
#include "support/RtfReader.h"

namespace {

std::string Text(const Chaine& text) { return text.ToUtf8(); }

// The share's course: one entry a point in each list.
ResultDocument::Series Series(const ShareSeries& share) {
    ResultDocument::Series series;
    series.intervalMs = share.IntervalMs();
    series.total.emplace();
    for (const ShareSeries::Point& p : share.Points()) {
        series.written.push_back(p.written);
        series.read.push_back(p.read);
        series.waiting.push_back(p.waiting);
        series.total->push_back(p.total);
    }
    series.gaps = share.Gaps();
    series.stoppedMs = share.StoppedMs();
    return series;
}

std::optional<ResultDocument::CrossCheck> CrossCheck(const JsonResult::Run& run) {
    if (!run.crossCheck) return std::nullopt;
    const JsonResult::Run::CrossCheck& c = *run.crossCheck;
    return ResultDocument::CrossCheck{
        Text(c.directory), c.partner.IsEmpty() ? std::nullopt : std::optional(Text(c.partner)),
        c.bytesRead, c.bytesWritten};
}

// A failed test as its report says it: what a call that failed says only
// for a failed call, and the bytes only for data that differ.
ResultDocument::Failure Failure(const FailureReport& report) {
    const TestFailure& f = report.test.failure;
    const bool system = f.errorKind == TestFailure::kSystemError;
    const bool stalled = system && f.stallSeconds != 0;
    const Chaine message =
        ReportText::SystemMessage(f.winerr, f.sysErrno, f.stallSeconds, f.stallFile);
    ResultDocument::Failure d;
    d.test = Text(report.test.testname);
    d.directory = Text(report.test.tstdir);
    d.category = ReportText::CategoryName(report.category);
    d.errorKind = f.errorKind;
    if (system) {
        d.operation = Text(ReportText::OperationName(f.operation));
        d.winerr = f.winerr;
        if (f.sysErrno != 0) d.errnoValue = f.sysErrno;
        const Chaine name = ReportText::ErrnoName(f.sysErrno);
        if (!name.IsEmpty()) d.errnoName = Text(name);
        if (!message.IsEmpty()) d.message = Text(message);
    }
    d.position = ReportText::PositionValue(f.position);
    if (stalled) d.file = Text(f.stallFile), d.stalledSeconds = f.stallSeconds;
    if (f.errorKind == TestFailure::kDataError) {
        d.expected = Text(f.datawait), d.read = Text(f.dataget);
        if (f.damage.kind != Damage::kNone) {
            d.damage = ResultDamage{ReportText::DamageName(f.damage.kind),
                                    Text(ReportText::DamageText(f.damage))};
        }
    }
    d.localTime = JsonResult::Iso8601(f.localtime);
    d.testTime = Text(CDVXProgressData::FormatDuration(report.testTimeMs));
    d.testTimeMs = report.testTimeMs;
    // The report's paragraphs, a tab read as the space it shows.
    d.report.emplace();
    std::string paragraph;
    std::istringstream text(Text(RtfReader::ToPlainText(RtfReader::Parse(report.rtf.View()))));
    while (std::getline(text, paragraph)) {
        std::replace(paragraph.begin(), paragraph.end(), '\t', ' ');
        if (!paragraph.empty()) d.report->push_back(paragraph);
    }
    return d;
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

ResultDocument JsonResult::Document(const Run& run, const RunVerdict& verdict,
                                    const std::vector<FailureReport>& failures) {
    const CDVXPrefs& prefs = *run.prefs;
    ResultDocument d;
    d.directory = Text(prefs.directory);
    d.tempDirectory = Text(run.tempDirectory);
    d.networkPath = run.client.network;
    d.fileSystem = Text(run.client.type);
    d.mountSource = Text(run.client.source);
    d.cachesWrites = run.client.cachesWrites;
    // What was read back may have come from the client's cache alone.
    d.serverProven = !run.client.cachesWrites;
    d.crossCheck = CrossCheck(run);
    d.host = run.host;
    d.label = run.label;
    d.version = BuildVersion();
    d.startedAt = Iso8601(run.startedAt);
    d.startedAtMs = static_cast<uint64_t>(StartTime::EpochMs(run.startedAt));
    d.startAtMs = run.startAtMs;
    d.clockOffsetMs = run.clockOffsetMs;
    d.referenceStartedAtMs = run.referenceStartedAtMs;
    d.settings = {prefs.diskSpaceMb,    prefs.simultaneousTests, prefs.durationMinutes,
                  prefs.threadPriority, run.stopAfterSeconds,    prefs.timings.stallLimitMs / 1000,
                  prefs.modifyTests};
    d.elapsedMs = run.elapsedMs;
    d.bytesWritten = run.bytesWritten;
    d.bytesRead = run.bytesRead;
    d.throughput = run.throughput;
    d.shareBytesWritten = run.share.Written();
    d.shareBytesRead = run.share.Read();
    d.shareThroughput = run.share.Throughput(run.elapsedMs);
    d.longestShareIdleMs = run.share.LongestIdleMs();
    d.series = Series(run.share);
    d.ending = verdict.EndingName();
    d.result = verdict.ResultName();
    d.sentence = verdict.Sentence();
    for (const FailureReport& f : failures) d.failures.push_back(Failure(f));
    for (const Chaine& name : run.leftFiles) d.leftFiles.push_back(Text(name));
    d.kept = run.kept;
    d.verified = run.verified;
    return d;
}

void JsonResult::Run::Ended(const RunSnapshot& end) {
    if (!prefs->crossCheckDirectory.IsEmpty()) {
        CrossCheck cross{prefs->crossCheckDirectory, Chaine(), 0, 0};
        const Chaine reading(Chaine::ResourceId(res::kCrossReadTestName));
        const Chaine writing(Chaine::ResourceId(res::kCrossWriteTestName));
        const int slot = TestSnapshot::Slot(false);
        for (const TestSnapshot& t : end.tests) {
            if (t.testname == reading) {
                cross.partner = t.peer;
                cross.bytesRead = t.bytesRead[slot];
            }
            if (t.testname == writing) cross.bytesWritten = t.bytesWritten[slot];
        }
        crossCheck = cross;
    }
    elapsedMs = end.ElapsedMs();
    bytesWritten = end.TotalWritten(true);
    bytesRead = end.TotalRead(true);
    throughput = end.Throughput();
    leftFiles = end.LeftFiles();
    share.Stop(elapsedMs);
}
