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

    // The file system that serves a path, as the mount table gives it.
    struct Client {
        std::string type;    // "nfs4", "fuse.sshfs"...; empty when no mount holds the path
        std::string source;  // the mount's source, Windows-1252; a URL's password left out
        DriveType drive = DriveType::Unknown;
        // A client known to keep what the program writes in a cache of its own
        // machine, sending it to the server later (if at all): what the
        // program reads back may never have left this machine.
        bool cachesWrites = false;
    };
    // The client of the mount that holds `path`, found as GetDriveType finds it.
    static Client ClientOf(std::string_view path);
    // What a mount of file-system `type` from `source` (both as the mount
    // table writes them, unescaped) is; `device` ("major:minor") tells
    // removable disks.
    static Client Classify(std::string_view type, std::string_view source,
                           std::string_view device = {});
};

}  // namespace platform
