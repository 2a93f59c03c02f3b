#pragma once
#include <cstdio>

#include "cli/CliOptions.h"

// One run of dalvex2-cli over the engine, with the wizard's polling protocol:
// Start, then every 200 ms CheckFailure() and IsRunning(); the end of the
// duration, --stop-after or a first interrupt asks the threads to stop, a
// second interrupt aborts them (see Interrupts). Main thread only.
class CliApp {
public:
    static constexpr unsigned kPollMs = 200;

    // Exit status: RunVerdict's (0 ok, 1 failed, 3 interrupted), or 2 when the
    // run could not start or its result could not be written.
    static int Run(const CliOptions& options, std::FILE* out, std::FILE* err);
};
