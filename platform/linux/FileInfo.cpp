#include "platform/FileInfo.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/Encoding.h"
#include "platform/FileApi.h"
#include "platform/SystemError.h"
#include "platform/linux/Interrupted.h"

namespace platform {

bool FileInfo::Exists(std::string_view path, bool* isDirectory) {
    std::string sys;
    if (path.empty() || !FileApi::ToSystemPath(path, &sys)) return false;
    struct stat st {};
    if (RetryInterrupted([&] { return ::stat(sys.c_str(), &st); }) != 0) {
        LastError::SetFromErrno(errno);
        return false;
    }
    if (isDirectory) *isDirectory = S_ISDIR(st.st_mode);
    return true;
}

bool FileInfo::HasEntry(std::string_view path, bool* found) {
    std::string sys;
    if (path.empty() || !FileApi::ToSystemPath(path, &sys)) return false;
    struct stat st {};
    if (RetryInterrupted([&] { return ::lstat(sys.c_str(), &st); }) == 0) {
        *found = true;
        return true;
    }
    // A missing directory of the path holds no entry either.
    if (errno == ENOENT || errno == ENOTDIR) {
        *found = false;
        return true;
    }
    LastError::SetFromErrno(errno);
    return false;
}

bool FileInfo::MakeDirectory(std::string_view path) {
    std::string sys;
    if (!FileApi::ToSystemPath(path, &sys)) return false;
    if (RetryInterrupted([&] { return ::mkdir(sys.c_str(), 0777); }) == 0) return true;
    LastError::SetFromErrno(errno, true);
    return false;
}

bool FileInfo::List(std::string_view directory, std::vector<DirEntry>* entries) {
    entries->clear();
    std::string sys;
    if (!FileApi::ToSystemPath(directory, &sys)) return false;
    if (sys.empty()) sys = ".";
    DIR* opened = ::opendir(sys.c_str());
    while (!opened && errno == EINTR) opened = ::opendir(sys.c_str());
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opened, ::closedir);
    if (!dir) {
        LastError::SetFromErrno(errno);
        return false;
    }
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        bool isDir = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat st {};
            const std::string full = sys + "/" + name;
            isDir = RetryInterrupted([&] { return ::stat(full.c_str(), &st); }) == 0 &&
                    S_ISDIR(st.st_mode);
        }
        entries->push_back(DirEntry{Encoding::Utf8ToAnsi(name), isDir, name[0] == '.'});
    }
    return true;
}

bool FileInfo::FreeSpace(std::string_view path, uint64_t* bytes) {
    std::string sys;
    if (!FileApi::ToSystemPath(path, &sys)) return false;
    struct statvfs st {};
    if (RetryInterrupted([&] { return ::statvfs(sys.c_str(), &st); }) != 0) {
        LastError::SetFromErrno(errno);
        return false;
    }
    if (st.f_blocks == 0) return false;
    *bytes = uint64_t{st.f_bavail} * st.f_frsize;
    return true;
}

std::string FileInfo::CurrentDirectory() {
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) ? Encoding::Utf8ToAnsi(buffer) : std::string();
}

}  // namespace platform
