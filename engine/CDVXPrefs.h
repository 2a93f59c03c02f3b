#pragma once
#include <cstdint>

#include "engine/CDVXTimings.h"
#include "support/Chaine.h"

// The settings of one test run. The wizard's sheet owns one; its pages and the
// command line fill it through the setters, which hold the limits. UI thread.
class CDVXPrefs {
public:
    static constexpr uint32_t UntilStopped = 0x7FFFFFFF;
    static constexpr int32_t kPriorityBelowNormal = -1;
    static constexpr int32_t kPriorityNormal = 0;

    CDVXPrefs() = default;
    virtual ~CDVXPrefs() = default;

    void SetDirectory(const Chaine& dir) { directory = dir; }
    Chaine GetDirectory() const { return directory; }
    // At least 10 MB; no upper limit here.
    void SetDiskSpaceMb(uint32_t v) { diskSpaceMb = v < 10 ? 10 : v; }
    // 1 to 5 sets of ten threads.
    void SetSimultaneousTests(uint32_t v) { simultaneousTests = v <= 1 ? 1 : v >= 5 ? 5 : v; }
    // At least 3 minutes; UntilStopped passes unchanged.
    void SetDurationMinutes(uint32_t v) { durationMinutes = v < 3 ? 3 : v; }
    void SetThreadPriority(int32_t v) { threadPriority = v; }
    // The whole duration has passed after `elapsedMs` of the run.
    bool IsTimeUp(uint32_t elapsedMs) const {
        return durationMinutes != UntilStopped &&
               elapsedMs >= uint64_t{durationMinutes} * timings.minuteMs;
    }

    Chaine directory;
    uint32_t diskSpaceMb = 30;
    uint32_t simultaneousTests = 1;
    uint32_t durationMinutes = 5;
    int32_t threadPriority = kPriorityBelowNormal;
    CDVXTimings timings;
};
