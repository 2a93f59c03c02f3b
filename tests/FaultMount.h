#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/TempDir.h"

// faultfs over a fresh directory, with the given faults; it returns once
// mounted and ends with the mount. Not mounted without root, /dev/fuse or the
// tool (callers then skip); a mount that fails with them is a test failure.
struct FaultMount {
    // `subtype` names the client in the mount table ("fuse.SUBTYPE"): a test
    // may pose as any FUSE client.
    explicit FaultMount(const std::vector<std::string>& faults,
                        const std::string& subtype = "faultfs");
    // Released first, so that no thread is left waiting on a stall.
    ~FaultMount();
    FaultMount(const FaultMount&) = delete;
    FaultMount& operator=(const FaultMount&) = delete;

    // Answers every request a stall holds, and ends the stalls for good.
    void Release();
    // Unmounts, as a server that restarts, once faultfs has ended: what it
    // had not made stable is lost then.
    void Unmount();

    TempDir source;  // where the files really are
    TempDir point;
    TempDir own;  // faultfs's pid file
    bool mounted = false;

private:
    pid_t Pid();  // 0 when faultfs wrote none
};
