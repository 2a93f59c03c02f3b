#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The kinds of drive, numbered as the rest of the program expects them.
enum class DriveType {
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6,
};

// What kind of storage holds a path: the mount that holds the nearest existing
// ancestor of the path (the longest mount point that prefixes it). Any thread.
class Mounts {
public:
    // Path in Windows-1252; relative paths are taken from the current directory.
    static DriveType GetDriveType(std::string_view path);

    struct MountPoint {
        std::string path;  // Windows-1252, with a trailing '/'
        DriveType type;
    };
    // Every mount of the system, in the order of the mount table. Kernel
    // pseudo file systems (proc, sysfs, cgroup...) have the type NoRootDir.
    static std::vector<MountPoint> List();
};

}  // namespace platform
