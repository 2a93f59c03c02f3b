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
    // 0 once the run is over and told; -1 when threads were left to the
    // system, whose process must then end without running destructors.
    // A directory on a client that keeps writes in a local cache is
    // refused, unless `allowCache`.
    static int Run(const CDVXPrefs& prefs, uint64_t stopAfterMs, bool allowCache,
                   const platform::ChildProcess::Link& link);
};
