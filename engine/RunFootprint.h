#pragma once
#include <cstdint>

class CDVXPrefs;

// The most a run writes at once: the files of its tests, in the folder and in
// the temporary directory together, as the disk space asked counts them. Each
// file is an equal whole-megabyte share of that space, but at least 1 MB
// (CDVXThreadManager::ByteBudget), so that many sets on a small space write
// more than was asked. The folder's check asks for that much free space, and
// the advanced dialog says when it is more than the space asked. The
// cross-check's files are its own. Any thread.
struct RunFootprint {
    uint32_t files = 0;    // held at once: one per test, one more per kept file
    uint32_t fileMb = 0;   // the most each one holds
    uint32_t askedMb = 0;  // the disk space asked

    static RunFootprint Of(const CDVXPrefs& prefs);
    uint32_t Mb() const { return files * fileMb; }
    // The 1 MB a file holds at least took the run past the space asked.
    bool Raised() const { return Mb() > askedMb; }
};
