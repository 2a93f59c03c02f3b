#pragma once
#include <cstdio>

#include "cli/CliOptions.h"

// One run of dalvex2-cli: the checks that come before it, the run in a child
// process that this one follows (see RunSupervisor), with a first interrupt
// stopping it, a second aborting it and a third ending it on the spot (see
// platform::StopSignals), then its result delivered. Main thread only.
class CliApp {
public:
    // Exit status: RunVerdict's (0 ok, 1 failed, 3 interrupted), or 2 when the
    // run could not start, its result could not be written, or the process
    // that ran it ended badly after giving it.
    static int Run(const CliOptions& options, std::FILE* out, std::FILE* err);
};
