#pragma once
#include <cstdint>

// The waits of a test run. The defaults are the program's own; only tests
// shorten them, to prove in seconds what takes minutes.
struct CDVXTimings {
    // Before a thread's first cycle, so that all threads are started first.
    uint32_t startDelayMs = 500;
    // Before a short read is recorded, so that a late write of a slow server
    // still gets a chance to show up in the report's context.
    uint32_t shortReadWaitMs = 2000;
    // The unit of the run's duration.
    static constexpr uint32_t kMinuteMs = 60000;
    uint32_t minuteMs = kMinuteMs;
    // A file-system call that has had no answer for this long fails its test
    // as timed out, and its thread is left to the system. Generous: a busy
    // server answers well within it.
    uint32_t stallLimitMs = 60000;
};
