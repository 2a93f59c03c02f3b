#include "engine/DirectoryCheck.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string_view>

#include "engine/CDVXTimings.h"
#include "platform/FileApi.h"
#include "platform/FileInfo.h"
#include "platform/SystemError.h"
#include "platform/Thread.h"

using platform::FileApi;
using platform::FileInfo;
using platform::LastError;
using Result = DirectoryCheck::Result;

namespace {

// The probe's name follows the pattern of the tests' files on the server.
constexpr std::string_view kProbePrefix = "VXV";
constexpr uint64_t kMiB = uint64_t{1} << 20;

// The checks on their way. Never destroyed: one may end while the program does.
struct Checks {
    std::mutex lock;
    std::condition_variable ended;
    int running = 0;
};
Checks& g_checks = *new Checks;

// Counts a check for as long as it runs.
class Running {
public:
    Running() {
        const std::lock_guard<std::mutex> guard(g_checks.lock);
        ++g_checks.running;
    }
    ~Running() {
        {
            const std::lock_guard<std::mutex> guard(g_checks.lock);
            --g_checks.running;
        }
        g_checks.ended.notify_all();
    }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;
};

// A check whose probe the share has not answered yet would leave it there if
// the program ended under it (the window closed, the display lost): the end
// waits for it as long as a run's call may stall, and ends at once if one
// still waits then.
void WaitForChecksThenExit() {
    if (DirectoryCheck::WaitForChecks(CDVXTimings().stallLimitMs)) {
        platform::Thread::EndProcessUnderThreads(EXIT_FAILURE);
    }
}

Result Found(DirectoryCheck::Problem problem, std::string_view path = {}) {
    Result result;
    result.problem = problem;
    result.path = path;
    return result;
}

// What the last failing call left in LastError.
Result NotWritable() {
    Result result = Found(DirectoryCheck::kNotWritable);
    result.error = LastError::Get();
    result.sysErrno = LastError::GetErrno();
    return result;
}

std::string_view WithoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return path;
}

// Walks up from `path`, which does not exist, to the deepest level that does:
// the level below it is the first one missing, unless it is no folder.
Result FirstMissing(std::string_view path) {
    std::string_view missing = WithoutTrailingSlashes(path);
    // "file/": the name is there, as a file.
    bool isFolder = true;
    if (FileInfo::Exists(missing, &isFolder) && !isFolder) {
        return Found(DirectoryCheck::kNotDirectory, missing);
    }
    for (;;) {
        const std::string_view parent =
            WithoutTrailingSlashes(missing.substr(0, missing.find_last_of('/') + 1));
        bool isDirectory = true;
        if (parent == missing || FileInfo::Exists(parent, &isDirectory)) {
            return isDirectory ? Found(DirectoryCheck::kMissing, missing)
                               : Found(DirectoryCheck::kNotDirectory, parent);
        }
        missing = parent;
    }
}

}  // namespace

Result DirectoryCheck::OfPath(const Chaine& directory) {
    const std::string_view path = directory.View();
    if (path.empty() || path[0] != '/') return Found(kNotAbsolute);
    std::string systemPath;
    if (!FileApi::ToSystemPath(path, &systemPath)) {
        return Found(kInvalidName, path.substr(path.find_first_of(FileApi::kRefusedInNames), 1));
    }
    bool isDirectory = false;
    if (FileInfo::Exists(path, &isDirectory)) {
        return isDirectory ? Result() : Found(kNotDirectory, path);
    }
    switch (LastError::GetErrno()) {
        case ENAMETOOLONG: return Found(kTooLong);
        case ELOOP: return Found(kLinkLoop);
        case ENOENT:
        case ENOTDIR: return FirstMissing(path);
        // A folder that cannot even be looked at cannot be written in either.
        default: return NotWritable();
    }
}

bool DirectoryCheck::WaitForChecks(uint32_t limitMs) {
    std::unique_lock<std::mutex> guard(g_checks.lock);
    return !g_checks.ended.wait_for(guard, std::chrono::milliseconds(limitMs),
                                    [] { return g_checks.running == 0; });
}

Result DirectoryCheck::ForRun(const Chaine& directory, const RunFootprint& needed) {
    // Registered after the static objects a check uses: exit() runs it first.
    static const int atExit = std::atexit(WaitForChecksThenExit);
    (void)atExit;
    const Running running;
    const Result found = OfPath(directory);
    if (found.problem != kUsable) return found;
    std::string probe;
    platform::FileId id;
    if (!FileApi::MakeTempFileName(directory.View(), kProbePrefix, &probe, &id) ||
        !FileApi::Delete(probe)) {
        return NotWritable();
    }
    // A file system that cannot tell its free space is left to the run, which
    // reports a full disk when it meets one.
    uint64_t freeBytes = 0;
    if (!FileInfo::FreeSpace(directory.View(), &freeBytes) ||
        freeBytes >= uint64_t{needed.Mb()} * kMiB) {
        return Result();
    }
    Result result = Found(kNoSpace);
    result.freeMb = static_cast<uint32_t>(freeBytes / kMiB);
    result.needed = needed;
    return result;
}
