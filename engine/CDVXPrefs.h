#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/CDVXTimings.h"
#include "engine/KeptFile.h"
#include "engine/SettingLimits.h"
#include "support/Chaine.h"

// The settings of one test run, part of a TestSession. The wizard's pages and
// the command line fill it through the setters, which hold the lower limits.
// UI thread.
class CDVXPrefs {
public:
    static constexpr uint32_t UntilStopped = 0x7FFFFFFF;
    static constexpr int32_t kPriorityBelowNormal = -1;
    static constexpr int32_t kPriorityNormal = 0;

    CDVXPrefs() = default;
    virtual ~CDVXPrefs() = default;

    void SetDirectory(const Chaine& dir) { directory = dir; }
    Chaine GetDirectory() const { return directory; }
    // At least the minimum; the front ends hold the maximum.
    void SetDiskSpaceMb(uint32_t v) {
        diskSpaceMb = std::max(v, SettingLimits::kDiskSpaceMb.minimum);
    }
    // Sets of ten threads, within the bounds.
    void SetSimultaneousTests(uint32_t v) {
        simultaneousTests = SettingLimits::kSimultaneousTests.Clamp(v);
    }
    // At least the minimum; UntilStopped passes unchanged.
    void SetDurationMinutes(uint32_t v) {
        durationMinutes = std::max(v, SettingLimits::kDurationMinutes.minimum);
    }
    void SetThreadPriority(int32_t v) { threadPriority = v; }
    // The whole duration has passed after `elapsedMs` of the run.
    bool IsTimeUp(uint32_t elapsedMs) const {
        return durationMinutes != UntilStopped &&
               elapsedMs >= uint64_t{durationMinutes} * timings.minuteMs;
    }

    Chaine directory;
    uint32_t diskSpaceMb = SettingLimits::kDiskSpaceMb.initial;
    uint32_t simultaneousTests = SettingLimits::kSimultaneousTests.initial;
    uint32_t durationMinutes = SettingLimits::kDurationMinutes.initial;
    int32_t threadPriority = kPriorityBelowNormal;
    // Each set also runs the tests that change files they wrote.
    bool modifyTests = false;
    // Those tests keep the file of their last cycle that checked it whole.
    bool keepFiles = false;
    // Not empty: the run checks these files, which an earlier run kept in
    // the directory, once each, and runs no other test.
    std::vector<KeptFile> keptFiles;
    // The cross-check with another client: the directory where it writes
    // its files, as seen from here (empty: none), and this client's name
    // for the other one.
    Chaine crossCheckDirectory;
    Chaine crossCheckName;
    CDVXTimings timings;
};
