#include "cli/CliApp.h"

#include <unistd.h>

#include <algorithm>
#include <optional>
#include <string>

#include "cli/Interrupts.h"
#include "cli/JsonResult.h"
#include "cli/ResultFile.h"
#include "cli/RunVerdict.h"
#include "engine/CDVXThreadManager.h"
#include "platform/Clock.h"
#include "report/FailureReport.h"
#include "report/ProgressText.h"
#include "support/FileSystem.h"
#include "support/RtfReader.h"

namespace {

constexpr int64_t kWaitStepMs = 100;

// Output errors (a closed pipe, a full disk) are not the run's business: the
// run goes on and cleans up; only the result files decide the exit status.
void Print(std::FILE* f, const Chaine& text) { std::fputs(text.ToUtf8().c_str(), f); }

// The first sentence of the string shown for a path that is not on the network.
Chaine NotNetworkWarning() {
    Chaine text(Chaine::ResourceId(2001));
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

std::string HostName() {
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? name : "";
}

// One status line: rewritten in place on a terminal, a line of its own otherwise.
void ShowStatus(std::FILE* err, bool terminal, const std::string& line) {
    std::fprintf(err, terminal ? "\r\x1b[K%s" : "%s\n", line.c_str());
    std::fflush(err);
}

// Waits until the wall clock reads `startAtMs`, saying so on a status line;
// false when an interrupt came first. The clock is read again at every step,
// so a clock set forth or back moves the start with it.
bool WaitForStart(int64_t startAtMs, bool quiet, bool terminal, uint32_t statusEveryMs,
                  std::FILE* err) {
    const std::string when = JsonResult::Iso8601(platform::Clock::ToLocalTime(startAtMs));
    int64_t now = platform::Clock::GetEpochMs();
    if (now >= startAtMs) {
        std::fprintf(err, "L'heure de départ (%s) est passée : le test commence tout de suite.\n",
                     when.c_str());
        return true;
    }
    int64_t nextStatus = now;
    for (; now < startAtMs; now = platform::Clock::GetEpochMs()) {
        if (Interrupts::Count() > 0) {
            if (!quiet && terminal) std::fputc('\n', err);
            return false;
        }
        if (!quiet && now >= nextStatus) {
            nextStatus = now + statusEveryMs;
            const long long left = (startAtMs - now + 999) / 1000;
            ShowStatus(err, terminal,
                       "Départ à " + when + " (dans " + std::to_string(left) + " sec)");
        }
        platform::Clock::Sleep(
            static_cast<uint32_t>(std::min<int64_t>(startAtMs - now, kWaitStepMs)));
    }
    if (!quiet && terminal) std::fputc('\n', err);
    return Interrupts::Count() == 0;  // one that came during the last step
}

}  // namespace

int CliApp::Run(const CliOptions& options, std::FILE* out, std::FILE* err) {
    CDVXPrefs prefs = options.prefs;
    // Every reason not to start is settled before the result file is touched
    // and before any thread exists: a run that cannot start leaves a previous
    // result as it was.
    if (!ResultFile::CanDeliver(options.jsonPath, err)) return 2;
    std::string why;
    const Chaine reportDir = Chaine::FromUtf8(options.reportDir);
    if (!reportDir.IsEmpty() && (!CreateDirectoryPath(reportDir) ||
                                 !ResultFile::CanWrite(options.reportDir + "/test-0.rtf", &why))) {
        std::fprintf(err, "Impossible d'écrire dans le répertoire %s\n", options.reportDir.c_str());
        return 2;
    }
    // With the JSON on standard output, everything meant for people goes to
    // standard error.
    std::FILE* text = options.jsonPath == "-" ? err : out;

    const bool network = IsNetworkPath(prefs.directory);
    if (!network) {
        Print(err, NotNetworkWarning());
        std::fputc('\n', err);
    }
    JsonResult::Run run;
    run.prefs = &prefs;
    run.tempDirectory = GetTempDirectory();
    run.networkPath = network;
    run.host = HostName();
    run.label = options.label.empty() ? run.host : options.label;
    run.startAtMs = options.startAtMs;
    run.stopAfterSeconds = options.stopAfterSeconds;
    Chaine directories = prefs.directory;
    directories += ", ";
    directories += run.tempDirectory;

    const bool terminal = isatty(fileno(err));
    const uint32_t statusEveryMs = terminal ? 1000 : 10000;
    CDVXThreadManager manager;
    CDVXProgressData& progress = manager.GetProgress();
    std::optional<RunVerdict::Ending> ending;
    // An interrupt during the wait: the run never starts, and proves nothing.
    if (options.startAtMs &&
        !WaitForStart(*options.startAtMs, options.quiet, terminal, statusEveryMs, err)) {
        ending = RunVerdict::kStopped;
    }
    run.startedAt = platform::Clock::GetLocalTime();
    const bool started = !ending;
    if (started) manager.Start(&prefs);

    int handledInterrupts = 0;
    uint32_t lastStatus = 0;
    for (;;) {
        manager.CheckFailure();
        if (!ending && manager.HasFailed()) ending = RunVerdict::kFailure;
        if (!manager.IsRunning()) break;
        const uint32_t elapsed = progress.GetElapsedMs();
        const int interrupts = Interrupts::Count();
        if (interrupts > handledInterrupts) {
            handledInterrupts = interrupts;
            if (interrupts >= 2) {
                manager.Abort();
                if (ending != RunVerdict::kFailure) ending = RunVerdict::kAborted;
            } else if (!ending) {
                manager.Stop();
                ending = RunVerdict::kStopped;
            }
        }
        const bool timeUp = prefs.IsTimeUp(elapsed);
        const bool stopAfter =
            options.stopAfterSeconds != 0 && elapsed >= uint64_t{options.stopAfterSeconds} * 1000;
        if (!ending && (timeUp || stopAfter)) {
            manager.Stop();
            ending = RunVerdict::kTimeUp;
        }
        if (!options.quiet && elapsed - lastStatus >= statusEveryMs) {
            lastStatus = elapsed;
            ShowStatus(err, terminal, StatusLine(directories, progress, elapsed));
        }
        platform::Clock::Sleep(kPollMs);
    }
    if (!options.quiet && terminal && started) std::fputc('\n', err);
    manager.WaitForThreads();  // a failed test may still be deleting its file

    const std::vector<FailureReport> failures = FailureReport::Collect(progress);
    run.elapsedMs = progress.GetElapsedMs();
    run.bytesWritten = progress.GetTotalWritten(true);
    run.bytesRead = progress.GetTotalRead(true);
    run.throughput = progress.GetThroughput();
    const bool failed = manager.HasFailed();
    // Threads only end on their own by failing; kTimeUp is the fallback.
    const RunVerdict verdict(ending.value_or(failed ? RunVerdict::kFailure : RunVerdict::kTimeUp),
                             failed, run.bytesWritten, run.bytesRead);

    // The result for scripts first: a reader of the text that goes away
    // early must not cost it.
    bool delivered = true;
    if (!options.jsonPath.empty()) {
        delivered = ResultFile::Deliver(options.jsonPath, JsonResult::Build(run, verdict, failures),
                                        out, err);
    }
    std::fprintf(text, "%s\n", verdict.Sentence());
    for (std::size_t i = 0; i < failures.size(); ++i) {
        std::fprintf(text, "\n=== Test %d ===\n", static_cast<int>(i));
        Print(text, RtfReader::ToPlainText(RtfReader::Parse(failures[i].rtf.View())));
        if (!reportDir.IsEmpty()) {
            const std::string name = options.reportDir + "/test-" + std::to_string(i) + ".rtf";
            if (!ResultFile::Write(name, std::string(failures[i].rtf.View()), &why)) {
                ResultFile::SayCannotWrite(err, name, why);
                delivered = false;
            }
        }
    }
    std::fflush(text);
    return delivered ? verdict.ExitCode() : 2;
}
