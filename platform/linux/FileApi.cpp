#include "platform/FileApi.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/Encoding.h"
#include "platform/SystemError.h"

namespace platform {
namespace {

constexpr std::string_view kRefusedInNames = "*?\"<>|";
constexpr int kBusyRetries = 20;
constexpr int kBusyRetryMs = 50;

bool Fail(int err, bool creating = false) {
    LastError::SetFromErrno(err, creating);
    return false;
}

// Closes without touching LastError (clean-up after another failure).
void QuietClose(int fd) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
}

bool CopyByReadWrite(int in, int out) {
    char buffer[1 << 16];
    for (;;) {
        ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(errno);
        if (n == 0) return true;
        uint32_t written = 0;
        if (!FileApi::Write(out, buffer, static_cast<uint32_t>(n), &written)) return false;
    }
}

}  // namespace

bool FileApi::ToSystemPath(std::string_view path, std::string* systemPath) {
    if (path.find_first_of(kRefusedInNames) != std::string_view::npos) {
        LastError::Set(SystemError::kInvalidName);
        return false;
    }
    std::string ansi(path);
    for (char& c : ansi) {
        if (c == '\\') c = '/';
    }
    *systemPath = Encoding::AnsiToUtf8(ansi);
    return true;
}

FileHandle FileApi::Open(std::string_view path, bool writeThrough) {
    std::string sys;
    if (!ToSystemPath(path, &sys)) return kNullHandle;
    const int flags = O_RDWR | O_CREAT | O_CLOEXEC | (writeThrough ? O_DSYNC : 0);
    const int fd = ::open(sys.c_str(), flags, 0666);
    if (fd < 0) {
        Fail(errno, true);
        return kNullHandle;
    }
    return fd;
}

bool FileApi::Read(FileHandle h, void* buffer, uint32_t n, uint32_t* got) {
    *got = 0;
    ssize_t r;
    do {
        r = ::read(h, buffer, n);
    } while (r < 0 && errno == EINTR);
    if (r < 0) return Fail(errno);
    *got = static_cast<uint32_t>(r);
    return true;
}

bool FileApi::Write(FileHandle h, const void* buffer, uint32_t n, uint32_t* written) {
    *written = 0;
    const char* p = static_cast<const char*>(buffer);
    while (*written < n) {
        ssize_t w = ::write(h, p + *written, n - *written);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) return Fail(errno);
        if (w == 0) return Fail(ENOSPC);  // no progress and no error: the device is full
        *written += static_cast<uint32_t>(w);
    }
    return true;
}

bool FileApi::Seek(FileHandle h, int64_t offset, int whence, uint64_t* newOffset) {
    const off_t r = ::lseek(h, offset, whence);
    if (r < 0) return Fail(errno);
    if (newOffset) *newOffset = static_cast<uint64_t>(r);
    return true;
}

bool FileApi::Close(FileHandle h, bool dropCache) {
    int err = 0;
    if (dropCache) {
        if (::fdatasync(h) != 0) err = errno;
        ::posix_fadvise(h, 0, 0, POSIX_FADV_DONTNEED);
    }
    if (::close(h) != 0 && err == 0 && errno != EINTR) err = errno;
    return err == 0 || Fail(err);
}

bool FileApi::Delete(std::string_view path) {
    std::string sys;
    if (!ToSystemPath(path, &sys)) return false;
    // A FUSE client hands the last close of a file to its server after close()
    // has returned, so an SMB server may still hold the file open for a moment
    // and refuse to delete it. A file still busy after a second is an error.
    for (int attempt = 0;; ++attempt) {
        if (::unlink(sys.c_str()) == 0) return true;
        if (errno != EBUSY || attempt == kBusyRetries) return Fail(errno);
        std::this_thread::sleep_for(std::chrono::milliseconds(kBusyRetryMs));
    }
}

bool FileApi::MakeTempFileName(std::string_view dir, std::string_view prefix, std::string* name) {
    std::string base(dir);
    if (!base.empty() && base.back() != '/' && base.back() != '\\') base += '/';
    base.append(prefix.substr(0, 3));
    std::string sysBase;
    if (!ToSystemPath(base, &sysBase)) return false;

    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    unsigned number =
        static_cast<unsigned>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
    for (int tries = 0; tries < 65535; ++tries) {
        number = (number + 1) & 0xFFFF;
        if (number == 0) number = 1;
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%04X.TMP", number);
        const std::string candidate = sysBase + suffix;
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            // A network file system may refuse the close: then the name is not
            // to be trusted, and the file made for it goes again.
            if (::close(fd) != 0) {
                const int err = errno;
                ::unlink(candidate.c_str());
                return Fail(err);
            }
            *name = Encoding::Utf8ToAnsi(candidate);
            return true;
        }
        if (errno != EEXIST) return Fail(errno, true);
    }
    return Fail(EEXIST);
}

bool FileApi::Copy(std::string_view src, std::string_view dst, bool replace) {
    std::string sysSrc, sysDst;
    if (!ToSystemPath(src, &sysSrc) || !ToSystemPath(dst, &sysDst)) return false;
    const int in = ::open(sysSrc.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Fail(errno);
    const int out =
        ::open(sysDst.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (replace ? O_TRUNC : O_EXCL), 0666);
    if (out < 0) {
        const int err = errno;
        QuietClose(in);
        return Fail(err, true);
    }
    bool ok = true;
    for (;;) {
        ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 &&
            (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
            ok = CopyByReadWrite(in, out);  // both offsets stand where the kernel copy stopped
            break;
        }
        if (n < 0) {
            ok = Fail(errno);
            break;
        }
        if (n == 0) break;
    }
    QuietClose(in);
    if (::close(out) != 0 && ok) ok = Fail(errno);
    return ok;
}

bool FileApi::GetTempPath(std::string* path) {
    const char* env = std::getenv("TMPDIR");
    std::string dir = (env && *env) ? env : "/tmp";
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (dir != "/") dir += '/';
    *path = Encoding::Utf8ToAnsi(dir);
    return true;
}

}  // namespace platform
