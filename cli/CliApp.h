#pragma once
#include <cstdio>

#include "cli/CliOptions.h"

// One run of dalvex2-cli: the checks that come before it, the run driven as
// the wizard drives it (see RunController), with a first interrupt stopping
// it and a second aborting it (see platform::StopSignals), then its result
// delivered. Main thread only.
class CliApp {
public:
    // Exit status: RunVerdict's (0 ok, 1 failed, 3 interrupted), or 2 when the
    // run could not start or its result could not be written.
    static int Run(const CliOptions& options, std::FILE* out, std::FILE* err);
};
