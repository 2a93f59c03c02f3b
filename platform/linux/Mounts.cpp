#include "platform/Mounts.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/Encoding.h"

namespace platform {
namespace {

struct Mount {
    std::string point;
    std::string type;
    std::string device;  // "major:minor"
};

constexpr std::array<std::string_view, 19> kRemoteTypes = {"nfs",
                                                           "nfs4",
                                                           "cifs",
                                                           "smb3",
                                                           "smbfs",
                                                           "ncpfs",
                                                           "9p",
                                                           "afs",
                                                           "ceph",
                                                           "glusterfs",
                                                           "lustre",
                                                           "gpfs",
                                                           "fuse.sshfs",
                                                           "fuse.smbnetfs",
                                                           "fuse.gvfsd-fuse",
                                                           "fuse.rclone",
                                                           "fuse.glusterfs",
                                                           "fuse.davfs2",
                                                           "fuse.s3fs"};

// mountinfo writes blanks and the like as \ooo.
std::string Unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            const std::string oct = s.substr(i + 1, 3);
            if (oct.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(oct, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

bool Covers(const std::string& point, const std::string& path) {
    if (point == "/") return true;
    return path.compare(0, point.size(), point) == 0 &&
           (path.size() == point.size() || path[point.size()] == '/');
}

// The canonical form of the nearest existing ancestor of `path`.
std::string ExistingAncestor(std::string path) {
    if (path.empty() || path[0] != '/') {
        char cwd[4096];
        if (!getcwd(cwd, sizeof cwd)) return "/";
        path = std::string(cwd) + "/" + path;
    }
    for (;;) {
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved)) return resolved;
        const auto slash = path.find_last_of('/');
        if (slash == std::string::npos || slash == 0) return "/";
        path.erase(slash);
    }
}

bool IsRemovable(const std::string& device) {
    for (const char* suffix : {"/removable", "/../removable"}) {
        std::ifstream in("/sys/dev/block/" + device + suffix);
        int flag = 0;
        if (in >> flag) return flag == 1;
    }
    return false;
}

std::vector<Mount> ReadMountTable() {
    std::vector<Mount> mounts;
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mount-point options [optional...] - type source ...
        std::istringstream fields(line);
        std::string id, parent, device, root, point, word, type;
        fields >> id >> parent >> device >> root >> point;
        while (fields >> word && word != "-") {
        }
        fields >> type;
        mounts.push_back(Mount{Unescape(point), type, device});
    }
    return mounts;
}

bool FindMount(std::string_view ansiPath, Mount* found) {
    const std::string path = ExistingAncestor(Encoding::AnsiToUtf8(ansiPath));
    bool any = false;
    for (const Mount& m : ReadMountTable()) {
        // Later lines mount over earlier ones, so an equal length replaces.
        if (Covers(m.point, path) && (!any || m.point.size() >= found->point.size())) {
            *found = m;
            any = true;
        }
    }
    return any;
}

constexpr std::array<std::string_view, 20> kPseudoTypes = {
    "proc",      "sysfs",   "devtmpfs",    "devpts",     "cgroup", "cgroup2",  "securityfs",
    "debugfs",   "tracefs", "mqueue",      "pstore",     "bpf",    "configfs", "fusectl",
    "hugetlbfs", "autofs",  "binfmt_misc", "rpc_pipefs", "nsfs",   "efivarfs"};

DriveType TypeOf(const Mount& m) {
    for (std::string_view remote : kRemoteTypes) {
        if (m.type == remote) return DriveType::Remote;
    }
    for (std::string_view pseudo : kPseudoTypes) {
        if (m.type == pseudo) return DriveType::NoRootDir;
    }
    if (m.type == "iso9660" || m.type == "udf") return DriveType::CdRom;
    if (m.type == "tmpfs" || m.type == "ramfs") return DriveType::RamDisk;
    if (IsRemovable(m.device)) return DriveType::Removable;
    return DriveType::Fixed;
}

}  // namespace

DriveType Mounts::GetDriveType(std::string_view path) {
    Mount m;
    return FindMount(path, &m) ? TypeOf(m) : DriveType::Unknown;
}

std::vector<Mounts::MountPoint> Mounts::List() {
    std::vector<MountPoint> list;
    for (const Mount& m : ReadMountTable()) {
        std::string path = Encoding::Utf8ToAnsi(m.point);
        if (path.back() != '/') path += '/';
        list.push_back(MountPoint{path, TypeOf(m)});
    }
    return list;
}

}  // namespace platform
