#include "tests/TempDir.h"

#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/mount.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

// Not $TMPDIR: the engine's tests point that at a directory of their own.
TempDir::TempDir(const std::string& base)
    : m_path((base.empty() ? "/tmp" : base) + "/dalvex-test-XXXXXX") {
    if (!mkdtemp(m_path.data())) std::abort();
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

// The kernel is asked directly: the program's own reading of the mount table
// is what some of the tests using this check.
std::string LocalDiskBase() {
    static const std::string base = [] {
        const auto onDisk = [](const std::string& dir) {
            struct statfs st {};
            std::error_code ec;
            return fs::is_directory(dir, ec) && statfs(dir.c_str(), &st) == 0 &&
                   st.f_type != TMPFS_MAGIC && st.f_type != RAMFS_MAGIC &&
                   access(dir.c_str(), W_OK) == 0;
        };
        if (onDisk("/var/tmp")) return std::string("/var/tmp");
        std::ifstream in("/proc/self/mountinfo");
        // id parent major:minor root mount-point ...; major 0 is no block device.
        for (std::string id, parent, device, root, point, rest;
             in >> id >> parent >> device >> root >> point; std::getline(in, rest))
            if (!device.starts_with("0:") && point.find('\\') == std::string::npos && onDisk(point))
                return point;
        return std::string();
    }();
    return base;
}

TmpfsMount::TmpfsMount(const std::string& size, const std::string& options,
                       const std::string& mountPoint)
    : m_path(mountPoint.empty() ? m_dir.Path() : mountPoint) {
    const std::string data = "size=" + size + (options.empty() ? "" : "," + options);
    m_mounted = geteuid() == 0 && mount("tmpfs", m_path.c_str(), "tmpfs", 0, data.c_str()) == 0;
    if (geteuid() == 0 && !m_mounted) ADD_FAILURE() << "cannot mount a tmpfs on " << m_path;
}

TmpfsMount::~TmpfsMount() {
    if (m_mounted) umount2(m_path.c_str(), MNT_DETACH);
}

std::map<std::string, std::string> Snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(dir, ec)) {
        const fs::file_status st = entry.symlink_status();  // a link is not followed
        files[entry.path().lexically_relative(dir).string()] =
            fs::is_regular_file(st) ? ReadFile(entry.path().string())
                                    : "kind " + std::to_string(static_cast<int>(st.type()));
    }
    return files;
}

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    if (!out.write(content.data(), content.size()).flush())
        ADD_FAILURE() << "cannot write " << path;
}

// The insertion catches what the file's buffer throws on a failed read, as
// for a file of /proc whose process goes meanwhile: what was read is kept.
std::string ReadFile(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return std::move(text).str();
}

std::string Listing(const std::string& dir) {
    std::string names;
    for (const auto& [name, content] : Snapshot(dir)) names += name + " ";
    return names;
}
