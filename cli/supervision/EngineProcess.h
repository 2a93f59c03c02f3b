#pragma once
#include <cstdint>

#include "engine/CDVXPrefs.h"
#include "platform/ChildProcess.h"

// The engine's side of a supervised run, in its own process (see
// RunSupervisor): the checks of the directory, then the run, told through
// the link at every poll. Requests steer it: 1 stops the tests after their
// cycle, 2 aborts them, and so does the supervisor's going away.
class EngineProcess {
public:
    // What the command line asked of the run besides its settings.
    struct Asked {
        uint64_t stopAfterMs = 0;  // ends it sooner; 0: the duration alone
        bool allowCache = false;   // a client that keeps writes in a local cache may be tested
        bool checkOnly = false;    // the directory is checked, and nothing runs
    };

    // 0 once the run is over and told; -1 when threads were left to the
    // system, whose process must then end without running destructors.
    // A directory that cannot hold the run is refused, as is one on a
    // client that keeps writes in a local cache unless allowed; with
    // `checkOnly`, nothing runs after the checks.
    static int Run(const CDVXPrefs& prefs, const Asked& asked,
                   const platform::ChildProcess::Link& link);
};
