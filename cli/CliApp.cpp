#include "cli/CliApp.h"

#include <unistd.h>

#include <csignal>
#include <fstream>
#include <string>

#include "cli/JsonResult.h"
#include "engine/CDVXThreadManager.h"
#include "platform/Clock.h"
#include "report/FailureReport.h"
#include "report/ProgressText.h"
#include "support/FileSystem.h"
#include "support/PathText.h"
#include "support/RtfReader.h"

namespace {

volatile std::sig_atomic_t g_interrupts = 0;

void OnInterrupt(int) { g_interrupts = g_interrupts + 1; }

void Print(std::FILE* f, const Chaine& text) { std::fputs(text.ToUtf8().c_str(), f); }

// The first sentence of the string shown for a path that is not on the network.
Chaine NotNetworkWarning() {
    Chaine text(Chaine::ResourceId(2001));
    const std::size_t end = text.View().find('\n');
    return end == std::string_view::npos ? text : Chaine(text.View().substr(0, end));
}

Chaine StatusLine(const Chaine& directories, CDVXProgressData& p, uint32_t elapsed) {
    Chaine line;
    line.Format(
        "R\xE9pertoires : %s | \xC9"
        "crits : %s octets | Lus : %s octets | D\xE9"
        "bit : %s | Dur\xE9"
        "e : %s",
        directories.c_str(), ProgressText::Bytes(p.GetTotalWritten(true)).c_str(),
        ProgressText::Bytes(p.GetTotalRead(true)).c_str(),
        ProgressText::Throughput(p.GetThroughput()).c_str(),
        CDVXProgressData::FormatDuration(elapsed).c_str());
    return line;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
    return static_cast<bool>(f.flush());
}

}  // namespace

void CliApp::InstallInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int CliApp::Run(const CliOptions& options, std::FILE* out, std::FILE* err) {
    CDVXPrefs prefs = options.prefs;
    // Settle what could stop the run from starting before any thread exists.
    std::ofstream jsonFile;
    if (!options.jsonPath.empty() && options.jsonPath != "-") {
        jsonFile.open(options.jsonPath, std::ios::binary | std::ios::trunc);
        if (!jsonFile) {
            std::fprintf(err,
                         "Impossible d'\xC3\xA9"
                         "crire %s\n",
                         options.jsonPath.c_str());
            return 2;
        }
    }
    const Chaine reportDir = Chaine::FromUtf8(options.reportDir);
    if (!reportDir.IsEmpty() && !CreateDirectoryPath(reportDir)) {
        std::fprintf(err,
                     "Impossible de cr\xC3\xA9"
                     "er le r\xC3\xA9pertoire %s\n",
                     options.reportDir.c_str());
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
    const Chaine tempDir = GetTempDirectory();
    Chaine directories = prefs.directory;
    directories += ", ";
    directories += tempDir;

    const bool terminal = isatty(fileno(err));
    const uint32_t statusEveryMs = terminal ? 1000 : 10000;
    CDVXThreadManager manager;
    CDVXProgressData& progress = manager.GetProgress();
    manager.Start(&prefs);

    bool stopAsked = false;
    int handledInterrupts = 0;
    uint32_t lastStatus = 0;
    for (;;) {
        manager.CheckFailure();
        if (!manager.IsRunning()) break;
        const uint32_t elapsed = progress.GetElapsedMs();
        const int interrupts = g_interrupts;
        if (interrupts > handledInterrupts) {
            handledInterrupts = interrupts;
            if (interrupts >= 2) {
                manager.Abort();
            } else {
                manager.Stop();
            }
            stopAsked = true;
        }
        const bool timeUp = prefs.durationMinutes != CDVXPrefs::UntilStopped &&
                            elapsed / 60000 >= prefs.durationMinutes;
        const bool stopAfter =
            options.stopAfterSeconds != 0 && elapsed >= uint64_t{options.stopAfterSeconds} * 1000;
        if (!stopAsked && (timeUp || stopAfter)) {
            manager.Stop();
            stopAsked = true;
        }
        if (!options.quiet && elapsed - lastStatus >= statusEveryMs) {
            lastStatus = elapsed;
            const Chaine line = StatusLine(directories, progress, elapsed);
            if (terminal) {
                std::fputs("\r\x1b[K", err);  // rewrite the one status line
                Print(err, line);
            } else {
                Print(err, line);
                std::fputc('\n', err);
            }
            std::fflush(err);
        }
        platform::Clock::Sleep(kPollMs);
    }
    if (!options.quiet && terminal) std::fputc('\n', err);
    manager.WaitForThreads();  // a failed test may still be deleting its file

    const std::vector<FailureReport> failures = FailureReport::Collect(progress);
    const bool failed = manager.HasFailed();
    Print(text, Chaine(failed ? "Une erreur s'est produite\n" : "Le test a r\xE9ussi\n"));
    for (std::size_t i = 0; i < failures.size(); ++i) {
        Chaine title;
        title.Format("\n=== Test %d ===\n", static_cast<int>(i));
        Print(text, title);
        Print(text, RtfReader::ToPlainText(RtfReader::Parse(failures[i].rtf.View())));
        if (!reportDir.IsEmpty()) {
            Chaine name;
            name.Format("%s/test-%d.rtf", reportDir.c_str(), static_cast<int>(i));
            if (!WriteFile(name.ToUtf8(), std::string(failures[i].rtf.View()))) {
                std::fprintf(err,
                             "Impossible d'\xC3\xA9"
                             "crire %s\n",
                             name.ToUtf8().c_str());
            }
        }
    }
    std::fflush(text);

    if (!options.jsonPath.empty()) {
        const JsonResult::Totals totals{progress.GetElapsedMs(), progress.GetTotalWritten(true),
                                        progress.GetTotalRead(true), progress.GetThroughput()};
        const std::string json = JsonResult::Build(prefs, tempDir, network, totals, failures);
        if (options.jsonPath == "-") {
            std::fputs(json.c_str(), out);
            std::fflush(out);
        } else {
            jsonFile << json;
            jsonFile.flush();
        }
    }
    return failed ? 1 : 0;
}
