#include "engine/RunFootprint.h"

#include "engine/CDVXThreadManager.h"

RunFootprint RunFootprint::Of(const CDVXPrefs& prefs) {
    RunFootprint footprint;
    footprint.askedMb = prefs.diskSpaceMb;
    // A check of kept files only reads them.
    if (!prefs.keptFiles.empty()) return footprint;
    const uint32_t tests = CDVXThreadManager::TestThreads(prefs);
    footprint.fileMb =
        CDVXThreadManager::ByteBudget(prefs.diskSpaceMb, tests) / CDVXThreadManager::kBytesPerMb;
    // A changing test that keeps files holds the last one it checked while it
    // writes the next.
    footprint.files = tests + (prefs.keepFiles ? CDVXThreadManager::ChangeThreads(prefs) : 0);
    return footprint;
}
