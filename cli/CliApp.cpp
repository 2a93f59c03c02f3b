#include "cli/CliApp.h"

#include <algorithm>
#include <string>

#include "cli/JsonResult.h"
#include "cli/ResultFile.h"
#include "engine/TestSession.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/ResourceIds.h"
#include "platform/StopSignals.h"
#include "report/FailureReport.h"
#include "report/ProgressText.h"
#include "support/FileSystem.h"
#include "support/RtfReader.h"

namespace {

constexpr int64_t kWaitStepMs = 100;

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
    // Leaves the line a terminal rewrote.
    void End() const {
        if (!quiet && terminal) std::fputc('\n', err);
    }
};

// Output errors (a closed pipe, a full disk) are not the run's business: the
// run goes on and cleans up; only the result files decide the exit status.
void Print(std::FILE* f, const Chaine& text) { std::fputs(text.ToUtf8().c_str(), f); }

// The first sentence of the string shown for a path that is not on the network.
Chaine NotNetworkWarning() {
    Chaine text(Chaine::ResourceId(res::kNotNetworkQuestion));
    const std::size_t end = text.View().find('\n');
    return end == std::string_view::npos ? text : Chaine(text.View().substr(0, end));
}

std::string StatusLine(const Chaine& directories, CDVXProgressData& p, uint32_t elapsed) {
    return "Répertoires : " + directories.ToUtf8() +
           " | Écrits : " + ProgressText::Bytes(p.GetTotalWritten(true)).ToUtf8() +
           " octets | Lus : " + ProgressText::Bytes(p.GetTotalRead(true)).ToUtf8() +
           " octets | Débit : " + ProgressText::Throughput(p.GetThroughput()).ToUtf8() +
           " | Durée : " + CDVXProgressData::FormatDuration(elapsed).ToUtf8();
}

// Every reason not to start, settled before the result file is touched and
// before any thread exists: a run that cannot start leaves a previous result
// as it was.
bool CanStart(const CliOptions& options, std::FILE* err) {
    if (!ResultFile::CanDeliver(options.jsonPath, err)) return false;
    std::string why;
    if (!options.reportDir.empty() &&
        (!CreateDirectoryPath(Chaine::FromUtf8(options.reportDir)) ||
         !ResultFile::CanWrite(options.reportDir + "/test-0.rtf", &why))) {
        std::fprintf(err, "Impossible d'écrire dans le répertoire %s\n", options.reportDir.c_str());
        return false;
    }
    return true;
}

// Waits until the wall clock reads `startAtMs`, saying so on the status line;
// false when an interrupt came first. The clock is read again at every step,
// so a clock set forth or back moves the start with it.
bool WaitForStart(int64_t startAtMs, const Status& status) {
    const std::string when = JsonResult::Iso8601(platform::Clock::ToLocalTime(startAtMs));
    int64_t now = platform::Clock::GetEpochMs();
    if (now >= startAtMs) {
        std::fprintf(status.err,
                     "L'heure de départ (%s) est passée : le test commence tout de suite.\n",
                     when.c_str());
        return true;
    }
    int64_t nextStatus = now;
    for (; now < startAtMs && platform::StopSignals::Count() == 0;
         now = platform::Clock::GetEpochMs()) {
        if (now >= nextStatus) {
            nextStatus = now + status.everyMs;
            const long long left = (startAtMs - now + 999) / 1000;
            status.Show("Départ à " + when + " (dans " + std::to_string(left) + " sec)");
        }
        platform::Clock::Sleep(
            static_cast<uint32_t>(std::min<int64_t>(startAtMs - now, kWaitStepMs)));
    }
    status.End();
    return platform::StopSignals::Count() == 0;  // one that came during the last step too
}

// Polls the run until no record runs, passing interrupts on to it, then
// waits for the threads still cleaning up after a failure.
void Follow(RunController& run, const Chaine& directories, const Status& status) {
    uint32_t lastStatus = 0;
    for (RunController::Tick tick = run.Poll(platform::StopSignals::Count()); tick.running;
         tick = run.Poll(platform::StopSignals::Count())) {
        if (tick.elapsedMs - lastStatus >= status.everyMs) {
            lastStatus = tick.elapsedMs;
            status.Show(StatusLine(directories, run.Progress(), tick.elapsedMs));
        }
        platform::Clock::Sleep(RunController::kPollMs);
    }
    status.End();
    run.WaitForThreads();
}

// The result for scripts first, then the verdict and each report for
// people; false when a result file could not be written.
bool Deliver(const CliOptions& options, const JsonResult::Run& run, const RunVerdict& verdict,
             const std::vector<FailureReport>& failures, std::FILE* out, std::FILE* err) {
    // A reader of the text that goes away early must not cost the JSON.
    bool delivered = true;
    if (!options.jsonPath.empty()) {
        delivered = ResultFile::Deliver(options.jsonPath, JsonResult::Build(run, verdict, failures),
                                        out, err);
    }
    // With the JSON on standard output, everything meant for people goes to
    // standard error.
    std::FILE* text = options.jsonPath == "-" ? err : out;
    std::fprintf(text, "%s\n", verdict.Sentence());
    std::string why;
    for (std::size_t i = 0; i < failures.size(); ++i) {
        std::fprintf(text, "\n=== Test %d ===\n", static_cast<int>(i));
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

}  // namespace

int CliApp::Run(const CliOptions& options, std::FILE* out, std::FILE* err) {
    if (!CanStart(options, err)) return 2;
    TestSession session;
    session.prefs = options.prefs;
    const CDVXPrefs& prefs = session.prefs;
    JsonResult::Run run;
    run.prefs = &prefs;
    run.tempDirectory = GetTempDirectory();
    run.networkPath = IsNetworkPath(prefs.directory);
    run.host = platform::Host::Name();
    run.label = options.label.empty() ? run.host : options.label;
    run.startAtMs = options.startAtMs;
    run.stopAfterSeconds = options.stopAfterSeconds;
    if (!run.networkPath) {
        Print(err, NotNetworkWarning());
        std::fputc('\n', err);
    }

    const bool terminal = platform::Host::IsTerminal(err);
    const Status status{err, options.quiet, terminal, terminal ? 1000u : 10000u};
    // An interrupt during the wait: the run never starts, and proves nothing.
    const bool start = !options.startAtMs || WaitForStart(*options.startAtMs, status);
    run.startedAt = platform::Clock::GetLocalTime();
    std::vector<FailureReport> failures;
    RunVerdict verdict(RunVerdict::kStopped, false, 0, 0);
    if (start) {
        session.run.Start(prefs, uint64_t{options.stopAfterSeconds} * 1000);
        Follow(session.run, prefs.directory + ", " + run.tempDirectory, status);
        CDVXProgressData& progress = session.run.Progress();
        failures = FailureReport::Collect(progress);
        run.elapsedMs = progress.GetElapsedMs();
        run.bytesWritten = progress.GetTotalWritten(true);
        run.bytesRead = progress.GetTotalRead(true);
        run.throughput = progress.GetThroughput();
        verdict = session.run.Verdict();
    }
    return Deliver(options, run, verdict, failures, out, err) ? verdict.ExitCode() : 2;
}
