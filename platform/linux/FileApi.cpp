#include "platform/FileApi.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <utility>

#include "platform/Encoding.h"
#include "platform/SystemError.h"
#include "platform/linux/Interrupted.h"

namespace platform {
namespace {

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

// Which file an open descriptor is: a regular file's device and inode, and
// its birth time where the file system keeps one, since an inode number freed
// by a deletion may come back at once for a new file. Anything but a regular
// file gets no identity at all. `type`, when asked, is its kind (S_IFMT bits),
// and `size` its length. A file's identity never changes: what this machine
// already knows of it serves, where asking a network server again would cost
// a round trip; its length may have, and is asked for.
bool IdentityOf(int fd, FileId* id, mode_t* type = nullptr, uint64_t* size = nullptr) {
    struct statx st {};
    const int sync = size ? AT_STATX_SYNC_AS_STAT : AT_STATX_DONT_SYNC;
    if (RetryInterrupted([&] {
            return ::statx(fd, "", AT_EMPTY_PATH | sync,
                           STATX_TYPE | STATX_INO | STATX_BTIME | (size ? STATX_SIZE : 0), &st);
        }) != 0) {
        return false;
    }
    if (size) *size = st.stx_size;
    if (type) *type = st.stx_mode & S_IFMT;
    *id = FileId{};
    if (!S_ISREG(st.stx_mode)) return true;
    id->device = (uint64_t{st.stx_dev_major} << 32) | st.stx_dev_minor;
    id->inode = st.stx_ino;
    if (st.stx_mask & STATX_BTIME) {
        id->birth = (static_cast<uint64_t>(st.stx_btime.tv_sec) << 30) | st.stx_btime.tv_nsec;
    }
    return true;
}

// Opens the program's own file `id` by its name `sys`, in one open. The
// name is only a name: another process may have put a link, a pipe or another
// file there, and the program must never change a file it did not create. So
// no link is followed, nothing is created (the file exists since its name was
// made: if it is gone, that is the failure), the open neither waits (a pipe
// with nobody at its other end would hold it for ever) nor empties the file,
// and the file opened must be `id`, as that same descriptor tells, before
// anything is done with it. Only then is it emptied when `flags` asks so,
// by a call of its own only when something is in it: an SMB client may refuse
// to empty a file whose last close it has not yet passed on.
int OpenOwn(const std::string& sys, int flags, const FileId& id) {
    // Only an open for reading alone, or for writing alone, waits on a pipe.
    const bool mayWait = (flags & O_ACCMODE) != O_RDWR;
    const int opened = flags & ~O_TRUNC;
    const int fd = RetryInterrupted([&] {
        return ::open(sys.c_str(), opened | O_NOFOLLOW | O_CLOEXEC | (mayWait ? O_NONBLOCK : 0));
    });
    if (fd < 0) {
        Fail(errno == ENXIO ? EEXIST : errno);  // ENXIO: a pipe nobody reads
        return -1;
    }
    FileId found;
    mode_t type = 0;
    uint64_t length = 0;
    const bool empties = flags & O_TRUNC;
    int err = IdentityOf(fd, &found, &type, empties ? &length : nullptr) ? 0 : errno;
    if (err == 0 && !id.Matches(found)) err = type == S_IFDIR ? EISDIR : EEXIST;
    if (err == 0 && mayWait && ::fcntl(fd, F_SETFL, opened & ~O_ACCMODE) != 0) err = errno;
    if (err == 0 && empties && length != 0 &&
        RetryInterrupted([&] { return ::ftruncate(fd, 0); }) != 0) {
        err = errno;
    }
    if (err != 0) {
        QuietClose(fd);
        Fail(err);
        return -1;
    }
    return fd;
}

// `call` (0 on success), made again while the file is busy. A FUSE client
// hands the last close of a file to its server after close() has returned,
// so an SMB server may still hold the file open for a moment and refuse to
// delete or rename it. A file still busy after a second is an error. errno
// tells why it failed.
template <typename F>
bool WhenFree(F call) {
    for (int attempt = 0;; ++attempt) {
        if (RetryInterrupted(call) == 0) return true;
        if (errno != EBUSY || attempt == kBusyRetries) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(kBusyRetryMs));
    }
}

bool UnlinkWhenFree(const std::string& sys) {
    return WhenFree([&] { return ::unlink(sys.c_str()); });
}

// Creates the file `sys`, which must not exist (O_EXCL: nothing is replaced),
// opened with `flags`, and gives which file it is in `id`; without that the
// file is of no use: closed and deleted, and the reason kept. `*left` tells
// whether a file the call made is still there after a failure.
int CreateExclusive(const std::string& sys, int flags, FileId* id, bool* left = nullptr) {
    if (left) *left = false;
    const int fd = RetryInterrupted(
        [&] { return ::open(sys.c_str(), flags | O_CREAT | O_EXCL | O_CLOEXEC, 0666); });
    if (fd < 0) {
        Fail(errno, true);
        return -1;
    }
    if (IdentityOf(fd, id)) return fd;
    const int err = errno;
    QuietClose(fd);
    const bool deleted = UnlinkWhenFree(sys);
    if (left) *left = !deleted;
    Fail(err);
    return -1;
}

// The next name MakeTempFileName tries after `*number`, which it advances:
// `base` followed by four hexadecimal digits, never 0000, and ".TMP".
std::string NextTempName(const std::string& base, unsigned* number) {
    *number = (*number + 1) & 0xFFFF;
    if (*number == 0) *number = 1;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%04X.TMP", *number);
    return base + suffix;
}

bool CopyByReadWrite(int in, int out, const std::function<void()>& onStep) {
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = RetryInterrupted([&] { return ::read(in, buffer, sizeof buffer); });
        if (n < 0) return Fail(errno);
        if (n == 0) return true;
        uint32_t written = 0;
        if (!FileApi::Write(out, buffer, static_cast<uint32_t>(n), &written)) return false;
        if (onStep) onStep();
    }
}

}  // namespace

bool FileApi::ToSystemPath(std::string_view path, std::string* systemPath) {
    if (path.find_first_of(kRefusedInNames) != std::string_view::npos) {
        LastError::Set(SystemError::kInvalidName);
        return false;
    }
    *systemPath = Encoding::AnsiToUtf8(path);
    return true;
}

FileHandle FileApi::Open(std::string_view path, Access access, bool writeThrough,
                         const FileId& id) {
    std::string sys;
    if (!ToSystemPath(path, &sys)) return kNullHandle;
    int flags = O_RDWR;
    if (access == Access::kRead) flags = O_RDONLY;
    if (access == Access::kRewrite) flags = O_RDWR | O_TRUNC;
    // Read and write: an SMB client through libsmbclient refuses, and drops
    // its connection at, an open to append that may not read.
    if (access == Access::kAppend) flags = O_RDWR | O_APPEND;
    if (writeThrough && access != Access::kRead) flags |= O_DSYNC;
    const int fd = OpenOwn(sys, flags, id);
    return fd < 0 ? kNullHandle : fd;
}

bool FileApi::Read(FileHandle h, void* buffer, uint32_t n, uint32_t* got) {
    *got = 0;
    const ssize_t r = RetryInterrupted([&] { return ::read(h, buffer, n); });
    if (r < 0) return Fail(errno);
    *got = static_cast<uint32_t>(r);
    return true;
}

bool FileApi::Write(FileHandle h, const void* buffer, uint32_t n, uint32_t* written) {
    *written = 0;
    const char* p = static_cast<const char*>(buffer);
    while (*written < n) {
        const ssize_t w = RetryInterrupted([&] { return ::write(h, p + *written, n - *written); });
        if (w < 0) return Fail(errno);
        if (w == 0) return Fail(ENOSPC);  // no progress and no error: the device is full
        *written += static_cast<uint32_t>(w);
    }
    return true;
}

bool FileApi::Seek(FileHandle h, int64_t offset, int whence, uint64_t* newOffset) {
    const off_t r = RetryInterrupted([&] { return ::lseek(h, offset, whence); });
    if (r < 0) return Fail(errno);
    if (newOffset) *newOffset = static_cast<uint64_t>(r);
    return true;
}

bool FileApi::Close(FileHandle h, bool dropCache) {
    if (dropCache) ForgetCached(h);
    // Not made again on EINTR: Linux has released the descriptor by then.
    return ::close(h) == 0 || errno == EINTR || Fail(errno);
}

bool FileApi::Delete(std::string_view path) {
    std::string sys;
    if (!ToSystemPath(path, &sys)) return false;
    return UnlinkWhenFree(sys) || Fail(errno);
}

bool FileApi::Rename(std::string_view from, std::string_view to, bool waitWhileBusy) {
    std::string sysFrom, sysTo;
    if (!ToSystemPath(from, &sysFrom) || !ToSystemPath(to, &sysTo)) return false;
    const auto rename = [&] { return ::rename(sysFrom.c_str(), sysTo.c_str()); };
    return (waitWhileBusy ? WhenFree(rename) : RetryInterrupted(rename) == 0) || Fail(errno);
}

bool FileApi::Resize(FileHandle h, uint64_t size) {
    return RetryInterrupted([&] { return ::ftruncate(h, static_cast<off_t>(size)); }) == 0 ||
           Fail(errno);
}

bool FileApi::MakeTempFileName(std::string_view dir, std::string_view prefix, std::string* name,
                               FileId* id, const Naming& naming) {
    std::string made;
    const FileHandle h = CreateTempFile(dir, prefix, false, &made, id, naming);
    if (h == kNullHandle) return false;
    // A network file system may refuse the close: then the name is not to be
    // trusted, and the file made for it goes again.
    if (::close(h) != 0) {
        const int err = errno;
        if (UnlinkWhenFree(Encoding::AnsiToUtf8(made)) && naming) naming({});
        return Fail(err);
    }
    *name = std::move(made);
    return true;
}

FileHandle FileApi::CreateTempFile(std::string_view dir, std::string_view prefix, bool writeThrough,
                                   std::string* name, FileId* id, const Naming& naming) {
    std::string base(dir);
    if (!base.empty() && base.back() != '/') base += '/';
    base.append(prefix.substr(0, 3));
    std::string sysBase;
    if (!ToSystemPath(base, &sysBase)) return kNullHandle;

    const int flags = O_RDWR | (writeThrough ? O_DSYNC : 0);
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    unsigned number =
        static_cast<unsigned>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
    for (int tries = 0; tries < 65535; ++tries) {
        const std::string candidate = NextTempName(sysBase, &number);
        const std::string ansi = Encoding::Utf8ToAnsi(candidate);
        if (naming) naming(ansi);
        bool left = false;
        const int fd = CreateExclusive(candidate, flags, id, &left);
        if (fd >= 0) {
            *name = ansi;
            return fd;
        }
        // Taken by another file, or not made at all: the name is not this
        // program's. One made that could not go again stays named.
        if (naming && !left) naming({});
        if (LastError::GetErrno() != EEXIST) return kNullHandle;
    }
    Fail(EEXIST);
    return kNullHandle;
}

FileHandle FileApi::CreateNew(std::string_view path, FileId* id) {
    std::string sys;
    if (!ToSystemPath(path, &sys)) return kNullHandle;
    const int fd = CreateExclusive(sys, O_WRONLY, id);
    return fd < 0 ? kNullHandle : fd;
}

FileHandle FileApi::OpenToRead(std::string_view path, uint64_t* size) {
    std::string sys;
    if (!ToSystemPath(path, &sys)) return kNullHandle;
    const int fd = RetryInterrupted(
        [&] { return ::open(sys.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC); });
    if (fd < 0) {
        Fail(errno);
        return kNullHandle;
    }
    struct stat st {};
    int err = ::fstat(fd, &st) == 0 ? 0 : errno;
    if (err == 0 && !S_ISREG(st.st_mode)) err = S_ISDIR(st.st_mode) ? EISDIR : EEXIST;
    if (err == 0 && ::fcntl(fd, F_SETFL, O_RDONLY) != 0) err = errno;
    if (err != 0) {
        QuietClose(fd);
        Fail(err);
        return kNullHandle;
    }
    *size = static_cast<uint64_t>(st.st_size);
    return fd;
}

void FileApi::ForgetCached(FileHandle h) { ::posix_fadvise(h, 0, 0, POSIX_FADV_DONTNEED); }

bool FileApi::Copy(std::string_view src, const FileId& srcId, std::string_view dst,
                   const FileId& dstId, const std::function<void()>& onStep) {
    std::string sysSrc, sysDst;
    if (!ToSystemPath(src, &sysSrc) || !ToSystemPath(dst, &sysDst)) return false;
    const int in = OpenOwn(sysSrc, O_RDONLY, srcId);
    if (in < 0) return false;
    const int out = OpenOwn(sysDst, O_WRONLY | O_TRUNC, dstId);
    if (out < 0) {
        QuietClose(in);
        return false;
    }
    bool ok = true;
    while (ok) {
        const ssize_t n = RetryInterrupted(
            [&] { return ::copy_file_range(in, nullptr, out, nullptr, kCopyStep, 0); });
        if (n < 0 &&
            (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
            // Both offsets stand where the kernel copy stopped.
            ok = CopyByReadWrite(in, out, onStep);
            break;
        }
        if (n < 0) {
            ok = Fail(errno);
            break;
        }
        if (n == 0) break;
        if (onStep) onStep();
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
