#include <cstdio>
#include <string>

#include "cli/CliApp.h"
#include "cli/CliOptions.h"
#include "cli/merge/ResultMerge.h"
#include "platform/StopSignals.h"
#include "support/BuildVersion.h"
#include "support/VersionInfo.h"

int main(int argc, char** argv) {
    CliOptions options;
    std::string error, notes;
    if (!options.Parse(argc, argv, &error, &notes)) {
        std::fprintf(stderr, "%s\n\n%s", error.c_str(), CliOptions::Usage().c_str());
        return 2;
    }
    if (options.action == CliOptions::kHelp) {
        std::fputs(CliOptions::Usage().c_str(), stdout);
        return 0;
    }
    if (options.action == CliOptions::kVersion) {
        // The version block that the program's own file carries, as the wizard
        // shows it, then the build's full version, as its package carries it.
        std::printf("dalvex2-cli %s (%s)\n", GetModuleVersionText(0).ToUtf8().c_str(),
                    BuildVersion());
        return 0;
    }
    if (options.action == CliOptions::kMerge) {
        const ResultMerge::Options merge{
            options.jsonPath,   options.htmlPath,        options.allowLocal, options.localClients,
            options.allowMixed, options.missingAsFailed, options.keptChecks};
        return ResultMerge::Run(options.resultFiles, merge, stdout, stderr);
    }
    // A run ends on interrupts in its own way; anything else keeps the defaults.
    platform::StopSignals::Install();
    platform::StopSignals::IgnoreBrokenPipe();
    std::fputs(notes.c_str(), stderr);
    return CliApp::Run(options, stdout, stderr);
}
