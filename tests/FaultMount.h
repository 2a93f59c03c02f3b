#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/TempDir.h"

// The project's fault-injecting FUSE file system mounted over a fresh
// directory of the local disk, with the given faults (see tests/tools/FaultFs.cpp).
// Mounted() is false where FUSE or the tool is missing, or without root.
class FaultMount {
public:
    explicit FaultMount(const std::vector<std::string>& faults);
    ~FaultMount();
    FaultMount(const FaultMount&) = delete;
    FaultMount& operator=(const FaultMount&) = delete;

    bool Mounted() const { return m_mounted; }
    const std::string& Path() const { return m_mountPoint.Path(); }
    // The directory behind the mount, where the files really are.
    const std::string& Source() const { return m_source.Path(); }

    static std::string ToolPath();
    // Root, /dev/fuse and the tool: what mounting needs.
    static bool Available();

private:
    TempDir m_source{"/var/tmp"};
    TempDir m_mountPoint{"/var/tmp"};
    pid_t m_pid = -1;
    bool m_mounted = false;
};
