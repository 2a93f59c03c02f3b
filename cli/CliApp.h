#pragma once
#include <cstdio>

#include "cli/CliOptions.h"

// One run of dalvex2-cli over the engine, with the wizard's polling protocol:
// Start, then every 200 ms CheckFailure() and IsRunning(); the end of the
// duration, --stop-after or a first interrupt asks the threads to stop, a
// second interrupt aborts them. Main thread only.
class CliApp {
public:
    static constexpr unsigned kPollMs = 200;

    // Exit status: 0 no test failed, 1 a test failed, 2 the run could not start.
    static int Run(const CliOptions& options, std::FILE* out, std::FILE* err);

    // Ctrl+C and SIGTERM: the first asks for a stop, the next for an abort.
    static void InstallInterruptHandlers();
};
