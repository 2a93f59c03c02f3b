#include "cli/ResultFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/SystemError.h"
#include "report/ReportText.h"

namespace {

std::string Reason(int err) {
    return ReportText::SystemMessage(platform::SystemError::FromErrno(err, true), err).ToUtf8();
}

bool Fail(int err, std::string* why) {
    *why = Reason(err);
    return false;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The regular file that `path` stands for once links are followed; `path`
// itself when it does not exist yet.
std::string Target(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

}  // namespace

bool ResultFile::CanWrite(const std::string& path, std::string* why) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return Fail(EISDIR, why);
        if (!S_ISREG(st.st_mode)) return ::access(path.c_str(), W_OK) == 0 || Fail(errno, why);
    } else if (errno != ENOENT) {
        return Fail(errno, why);
    }
    return ::access(DirectoryOf(Target(path)).c_str(), W_OK | X_OK) == 0 || Fail(errno, why);
}

bool ResultFile::Write(const std::string& path, const std::string& bytes, std::string* why) {
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) return Fail(errno, why);
        const bool ok = WriteAll(fd, bytes);
        const int err = errno;
        if (::close(fd) != 0 && ok) return Fail(errno, why);
        return ok || Fail(err, why);
    }
    const std::string target = Target(path);
    std::string temporary;
    int fd = -1;
    for (int n = 0; fd < 0 && n < 100; ++n) {
        temporary = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(n);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return Fail(errno, why);
    }
    if (fd < 0) return Fail(EEXIST, why);
    if (exists) ::fchmod(fd, st.st_mode & 07777);  // the replaced file's permissions stay
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) ::unlink(temporary.c_str());
    return ok || Fail(err, why);
}
