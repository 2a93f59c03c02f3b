#include "cli/CliApp.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cli/kept/KeptFiles.h"
#include "cli/result/ResultFile.h"
#include "cli/supervision/RunSupervisor.h"
#include "engine/CDVXProgressData.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/ResourceIds.h"
#include "platform/SleepInhibitor.h"
#include "platform/StopSignals.h"
#include "report/FailureReport.h"
#include "report/ProgressText.h"
#include "report/ReportText.h"
#include "report/TableText.h"
#include "report/result/HtmlReport.h"
#include "report/result/JsonResult.h"
#include "report/result/ShareSeries.h"
#include "support/BuildVersion.h"
#include "support/FileSystem.h"
#include "support/RtfReader.h"

namespace {

constexpr int64_t kWaitStepMs = 100;
// A test that has waited this long on the share is named on the status line.
constexpr uint32_t kWaitingShownMs = 5000;
// A client that gets its order later than this after the common start does
// not test: it would not be testing together with the others.
constexpr int64_t kLateStartMs = 1000;

// The clock --start-at is read on: this machine's wall clock or, given the
// offset measured against another one, that one, carried on from the
// program's start by the monotonic clock so that a clock set meanwhile
// moves nothing.
struct StartClock {
    std::optional<int64_t> offsetMs;
    int64_t launchMs = platform::Clock::GetEpochMs();
    uint32_t launchTicks = platform::Clock::GetTickCount();

    int64_t Now() const {
        if (!offsetMs) return platform::Clock::GetEpochMs();
        return launchMs - *offsetMs + (platform::Clock::GetTickCount() - launchTicks);
    }
};

// Where the status goes and how often: rewritten in place every second on a
// terminal, a line of its own every ten seconds otherwise, nothing with -q.
struct Status {
    std::FILE* err;
    bool quiet;
    bool terminal;
    uint32_t everyMs;

    void Show(const std::string& line) const {
        if (quiet) return;
        std::fprintf(err, terminal ? "\r\x1b[K%s" : "%s\n", line.c_str());
        std::fflush(err);
    }
    // A line of its own, now, even with -q; on a terminal, in place of the
    // status line, which comes back at the next status.
    void Say(const std::string& line) const {
        std::fprintf(err, terminal ? "\r\x1b[K%s\n" : "%s\n", line.c_str());
        std::fflush(err);
    }
    // Leaves the line a terminal rewrote.
    void End() const {
        if (!quiet && terminal) std::fputc('\n', err);
    }
};

// Output errors (a closed pipe, a full disk) are not the run's business: the
// run goes on and cleans up; only the result files decide the exit status.
void Print(std::FILE* f, const Chaine& text) { std::fputs(text.ToUtf8().c_str(), f); }

// The first line of a question the wizard asks about the directory.
Chaine Warning(unsigned question) {
    Chaine text(Chaine::ResourceId(question));
    const std::size_t end = text.View().find('\n');
    return end == std::string_view::npos ? text : Chaine(text.View().substr(0, end));
}

// Why a run on a client that caches writes proves nothing of the server.
std::string CachingWarning(const ShareClient& client) {
    Chaine text;
    return text.Format(Warning(res::kCachingClientQuestion).c_str(), client.type.c_str()).ToUtf8();
}

std::string StatusLine(const Chaine& directories, const RunSnapshot& run, const ShareSeries& share,
                       uint32_t elapsed) {
    return TableText::Format(res::kStatusLine, directories.ToUtf8().c_str(),
                             ProgressText::Bytes(run.TotalWritten(true)).ToUtf8().c_str(),
                             ProgressText::Bytes(run.TotalRead(true)).ToUtf8().c_str(),
                             ProgressText::Throughput(run.Throughput()).ToUtf8().c_str(),
                             ProgressText::Throughput(share.Throughput(elapsed)).ToUtf8().c_str(),
                             CDVXProgressData::FormatDuration(elapsed).ToUtf8().c_str());
}

// Every reason not to start, settled before the result file is touched and
// before any thread exists: a run that cannot start leaves a previous result
// as it was.
bool CanStart(const CliOptions& options, std::FILE* err) {
    if (!ResultFile::Distinct({options.jsonPath, options.htmlPath, options.keptList}, err) ||
        !ResultFile::CanDeliver(options.jsonPath, err) ||
        !ResultFile::CanDeliver(options.htmlPath, err)) {
        return false;
    }
    std::string why;
    if (options.action == CliOptions::kRun && !options.keptList.empty() &&
        !ResultFile::CanWrite(options.keptList, &why)) {
        ResultFile::SayCannotWrite(err, options.keptList, why);
        return false;
    }
    if (!options.reportDir.empty() &&
        (!CreateDirectoryPath(Chaine::FromUtf8(options.reportDir)) ||
         !ResultFile::CanWrite(options.reportDir + "/test-0.rtf", &why))) {
        std::fputs(TableText::Format(res::kReportDirUnwritable, options.reportDir.c_str()).c_str(),
                   err);
        return false;
    }
    return true;
}

// Waits until `clock` reads `startAtMs`, saying so on the status line;
// false when an interrupt came first, or when the moment was already past
// by more than kLateStartMs. Without a measured offset the wall clock is
// read again at every step, so a clock set forth or back moves the start.
bool WaitForStart(int64_t startAtMs, const StartClock& clock, const Status& status) {
    const std::string when = JsonResult::Iso8601(platform::Clock::ToLocalTime(startAtMs));
    int64_t now = clock.Now();
    if (now > startAtMs + kLateStartMs) {
        std::fputs(TableText::Format(res::kStartTooLate, when.c_str(),
                                     static_cast<long long>(now - startAtMs))
                       .c_str(),
                   status.err);
        return false;
    }
    if (now >= startAtMs) {
        std::fputs(TableText::Format(res::kStartPassed, when.c_str()).c_str(), status.err);
        return true;
    }
    int64_t nextStatus = now;
    for (; now < startAtMs && platform::StopSignals::Count() == 0; now = clock.Now()) {
        if (now >= nextStatus) {
            nextStatus = now + status.everyMs;
            const long long left = (startAtMs - now + 999) / 1000;
            status.Show(TableText::Format(res::kStartWaiting, when.c_str(), left));
        }
        platform::Clock::Sleep(
            static_cast<uint32_t>(std::min<int64_t>(startAtMs - now, kWaitStepMs)));
    }
    status.End();
    return platform::StopSignals::Count() == 0;  // one that came during the last step too
}

// The tests that have waited on the share for a while, for the status line.
std::string WaitingText(const RunSnapshot& run) {
    std::string tests;
    for (const RunSnapshot::Waiting& w : run.WaitingTests(kWaitingShownMs)) {
        tests += (tests.empty() ? "" : ", ") + TableText::Format(res::kWaitingTest,
                                                                 w.testname.ToUtf8().c_str(),
                                                                 unsigned{w.waitedMs / 1000});
    }
    return tests.empty() ? tests : " | " + TableText::Format(res::kWaitingTests, tests.c_str());
}

// Follows the run until it is over: the status line, each failure as it
// comes, the warning for a directory that is not on the network or on a
// client that caches writes, and what the share carried.
void Follow(RunSupervisor& supervisor, const Chaine& directories, const Status& status,
            ShareSeries* series) {
    uint32_t lastStatus = 0;
    bool warned = false;
    std::vector<bool> told;
    const RunSnapshot& run = supervisor.Snapshot();
    // One line for a test that failed, as soon as it is known.
    const auto tellFailures = [&] {
        told.resize(run.tests.size());
        for (std::size_t i = 0; i < told.size(); ++i) {
            if (told[i] || run.tests[i].state != TestSnapshot::kFailed) continue;
            told[i] = true;
            status.Say(ReportText::OneLine(run.tests[i]).ToUtf8());
        }
    };
    // The share's course by the child's clock, each snapshot it sent.
    supervisor.OnNews([&](const RunSnapshot& news, const RunMessage::RunState& state) {
        if (news.startTicks == 0) return;
        series->Look(news, state.heldMs > 0);
        if (state.stopping) series->Stop(news.ElapsedMs());
    });
    while (supervisor.Step(status.err)) {
        if (supervisor.HasStarted() && supervisor.Refusal() == RunMessage::kStarts && !warned) {
            warned = true;
            const ShareClient& client = supervisor.Client();
            if (!client.network) status.Say(Warning(res::kNotNetworkQuestion).ToUtf8());
            if (client.cachesWrites) status.Say(CachingWarning(client));
        }
        tellFailures();
        if (run.startTicks == 0) continue;
        const uint32_t elapsed = run.ElapsedMs();
        if (elapsed - lastStatus >= status.everyMs) {
            lastStatus = elapsed;
            status.Show(StatusLine(directories, run, *series, elapsed) + WaitingText(run));
        }
    }
    supervisor.OnNews(nullptr);  // it held this function's locals
    status.End();
    // Those of the last news, and those the run's end here made.
    tellFailures();
}

// What the tests of the cross-check's two sides say.
// The files the run left, with how to free a mount that hangs when a call
// got no answer.
void SayLeftFiles(std::FILE* text, const std::vector<Chaine>& files, bool stalled) {
    if (files.empty()) return;
    std::fputs(TableText::Get(res::kLeftFilesTitle).c_str(), text);
    for (const Chaine& name : files) std::fprintf(text, "  %s\n", name.ToUtf8().c_str());
    if (!stalled) return;
    std::fputs(TableText::Get(res::kFreeHungMount).c_str(), text);
}

// The files the run kept, or those it checked.
void SayKept(std::FILE* text, const JsonResult::Run& run) {
    if (run.kept) {
        std::fputs(TableText::Format(res::kKeptTitle, run.kept->list.c_str()).c_str(), text);
        for (const std::string& name : run.kept->files) std::fprintf(text, "  %s\n", name.c_str());
    }
    if (run.verified) {
        const ResultKept& v = *run.verified;
        std::fputs(TableText::Format(res::kKeptChecked, v.files.size(), v.label.c_str(),
                                     v.startedAt.c_str())
                       .c_str(),
                   text);
        if (v.deleted) std::fputs(TableText::Get(res::kKeptDeleted).c_str(), text);
    }
}

// The result for scripts and its HTML report first, then the verdict and
// each report for people; false when a result file could not be written.
bool Deliver(const CliOptions& options, const JsonResult::Run& run, const RunVerdict& verdict,
             const std::vector<FailureReport>& failures, bool hung, std::FILE* out,
             std::FILE* err) {
    // A reader of the text that goes away early must not cost the JSON.
    bool delivered = true;
    const ResultDocument document = JsonResult::Document(run, verdict, failures);
    if (!options.jsonPath.empty()) {
        delivered = ResultFile::Deliver(options.jsonPath, document.Dump(), out, err);
    }
    if (!options.htmlPath.empty()) {
        delivered &= ResultFile::Deliver(options.htmlPath, HtmlReport::OfRun(document), out, err);
    }
    // With the JSON or the report on standard output, everything else meant
    // for people goes to standard error.
    std::FILE* text = options.jsonPath == "-" || options.htmlPath == "-" ? err : out;
    std::fprintf(text, "%s\n", verdict.Sentence());
    const std::string early = document.StoppedEarlyNote();
    if (!early.empty()) std::fprintf(text, "%s\n", early.c_str());
    if (run.client.cachesWrites && verdict.ResultName() == std::string_view("ok")) {
        std::fputs(
            TableText::Format(res::kCacheProvesNothing, run.client.type.ToUtf8().c_str()).c_str(),
            text);
    }
    const Chaine shareRate = ProgressText::Throughput(run.share.Throughput(run.elapsedMs));
    std::fputs(TableText::Format(res::kShareThroughput, shareRate.ToUtf8().c_str()).c_str(), text);
    SayKept(text, run);
    SayLeftFiles(text, run.leftFiles, hung);
    std::string why;
    for (std::size_t i = 0; i < failures.size(); ++i) {
        std::fputs(TableText::Format(res::kReportTitle, static_cast<int>(i)).c_str(), text);
        Print(text, RtfReader::ToPlainText(RtfReader::Parse(failures[i].rtf.View())));
        if (options.reportDir.empty()) continue;
        const std::string name = options.reportDir + "/test-" + std::to_string(i) + ".rtf";
        if (!ResultFile::Write(name, std::string(failures[i].rtf.View()), &why)) {
            ResultFile::SayCannotWrite(err, name, why);
            delivered = false;
        }
    }
    std::fflush(text);
    return delivered;
}

// The run as the options describe it; `prefs` are the options' own, given
// the client's name for a cross-check.
JsonResult::Run Describe(const CliOptions& options, CDVXPrefs* prefs) {
    JsonResult::Run run;
    run.tempDirectory = GetTempDirectory();
    run.host = platform::Host::Name();
    run.label = options.label.empty() ? run.host : options.label;
    prefs->crossCheckName = Chaine::FromUtf8(run.label);
    run.prefs = prefs;
    run.startAtMs = options.startAtMs;
    run.clockOffsetMs = options.clockOffsetMs;
    run.stopAfterSeconds = options.stopAfterSeconds;
    return run;
}

// Why the child did not start the tests, said on `err`; false when it did.
bool SayRefusal(const RunSupervisor& supervisor, std::FILE* err) {
    switch (supervisor.Refusal()) {
        case RunMessage::kStarts: return false;
        case RunMessage::kCachingClient:
            std::fputs(
                TableText::Format(res::kCachingRefused, CachingWarning(supervisor.Client()).c_str())
                    .c_str(),
                err);
            return true;
        case RunMessage::kUnusableDirectory:
            std::fputs(
                TableText::Format(res::kDirectoryRefused, supervisor.RefusalText().ToUtf8().c_str())
                    .c_str(),
                err);
            return true;
    }
    return true;
}

// What a run leaves besides its figures.
struct Outcome {
    std::vector<FailureReport> failures;
    RunVerdict verdict{RunVerdict::kStopped, false, 0, 0};
    bool childFailed = false;
    bool hung = false;           // a call got no answer, or a test still waits on one
    std::vector<KeptFile> kept;  // for a later check
};

// The run's end, as its supervisor last saw it.
Outcome TakeEnd(const RunSupervisor& supervisor, JsonResult::Run* run) {
    const RunSnapshot& snapshot = supervisor.Snapshot();
    Outcome outcome{FailureReport::Collect(snapshot), supervisor.Verdict(),
                    supervisor.ChildFailed(), !snapshot.WaitingTests(kWaitingShownMs).empty(),
                    snapshot.KeptFiles()};
    for (const FailureReport& f : outcome.failures)
        outcome.hung |= f.test.failure.stallSeconds != 0;
    run->client = supervisor.Client();
    run->Ended(snapshot);
    return outcome;
}

// A check of the files a run kept, as the list at `options.keptList` says
// them: the run's settings; false, the reason said on `err`.
bool PrepareCheck(const CliOptions& options, KeptList* list, CDVXPrefs* prefs, std::FILE* err) {
    if (!KeptFiles::Load(options.keptList, list, err)) return false;
    prefs->SetDirectory(
        Chaine::FromUtf8(options.keptDirectory.empty() ? list->directory : options.keptDirectory));
    prefs->keptFiles = list->files;
    // Each file is checked once, however long that takes.
    prefs->SetDurationMinutes(CDVXPrefs::UntilStopped);
    return true;
}

// The files of the run, once its verdict is known: those a run kept listed,
// or deleted when it did not end "ok"; those a check found whole deleted
// when asked. False when the list could not be written or a file deleted.
bool Settle(const CliOptions& options, const CDVXPrefs& prefs, const KeptList& checked,
            const Outcome& outcome, JsonResult::Run* run, std::FILE* err) {
    const bool ok = outcome.verdict.result == RunVerdict::kOk && !outcome.childFailed;
    if (prefs.keepFiles) {
        const KeptList list{
            BuildVersion(),           run->label,  run->host, JsonResult::Iso8601(run->startedAt),
            prefs.directory.ToUtf8(), outcome.kept};
        return KeptFiles::Settle(options.keptList, list, ok, err, &run->kept, &run->leftFiles);
    }
    if (prefs.keptFiles.empty()) return true;
    run->verified = KeptFiles::Described(options.keptList, checked);
    if (!ok || !options.deleteKept) return true;
    run->verified->deleted = KeptFiles::Delete(checked, prefs.directory, &run->leftFiles);
    return run->verified->deleted;
}

}  // namespace

int CliApp::Run(const CliOptions& options, std::FILE* out, std::FILE* err) {
    if (!CanStart(options, err)) return 2;
    CDVXPrefs prefs = options.prefs;
    KeptList checked;  // verify: the files the run checks
    if (options.action == CliOptions::kVerify && !PrepareCheck(options, &checked, &prefs, err)) {
        return 2;
    }
    JsonResult::Run run = Describe(options, &prefs);
    const StartClock clock{options.clockOffsetMs};
    const bool terminal = platform::Host::IsTerminal(err);
    const Status status{err, options.quiet, terminal, terminal ? 1000u : 10000u};
    // An interrupt during the wait: the run never starts, and proves nothing.
    // A client too late for the common start does not test either.
    const bool start = !options.startAtMs || WaitForStart(*options.startAtMs, clock, status);
    run.startedAt = platform::Clock::GetLocalTime();
    if (clock.offsetMs) run.referenceStartedAtMs = clock.Now();
    Outcome outcome;
    if (start) {
        RunSupervisor supervisor(prefs, {uint64_t{options.stopAfterSeconds} * 1000,
                                         options.allowCache, options.checkOnly});
        if (!supervisor.Start()) {
            std::fputs(TableText::Format(res::kCannotLaunch, std::strerror(errno)).c_str(), err);
            return 2;
        }
        // Taken once the child is forked, which would hold it too; without a
        // bus or logind the run goes on all the same.
        platform::SleepInhibitor awake;
        awake.Take("Dalvex 2", TableText::Get(res::kStayAwakeReason).c_str());
        Follow(supervisor, prefs.directory + ", " + run.tempDirectory, status, &run.share);
        awake.Release();
        if (!supervisor.Trouble().empty()) std::fprintf(err, "%s\n", supervisor.Trouble().c_str());
        if (SayRefusal(supervisor, err)) return 2;
        if (options.checkOnly) return 0;
        outcome = TakeEnd(supervisor, &run);
    }
    const bool settled = Settle(options, prefs, checked, outcome, &run, err);
    const bool delivered =
        Deliver(options, run, outcome.verdict, outcome.failures, outcome.hung, out, err);
    return settled && delivered && !outcome.childFailed ? outcome.verdict.ExitCode() : 2;
}
