#include "platform/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FileApi.h"
#include "platform/SystemError.h"

namespace platform {
namespace {

bool Fail(int code, int* error) {
    *error = code;
    return false;
}

// Whether the name is a plain file of the user's that a renamed copy may
// replace without losing anything: no link, no other name, no other owner.
bool Replaceable(const struct stat& st) {
    return S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == ::geteuid();
}

bool SameFile(const struct stat& a, int fd) {
    struct stat b {};
    return ::fstat(fd, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The file layer's loop over partial writes; errno then says why it stopped.
bool WriteAll(int fd, const std::string& bytes) {
    uint32_t written = 0;
    if (FileApi::Write(fd, bytes.data(), static_cast<uint32_t>(bytes.size()), &written)) {
        return true;
    }
    errno = LastError::GetErrno();
    return false;
}

bool CloseChecked(int fd, bool ok, int* error) {
    const int err = errno;
    if (::close(fd) != 0 && ok) return Fail(errno, error);
    return ok || Fail(err, error);
}

bool WriteInPlace(const std::string& path, const std::string& bytes, int* error) {
    // Not blocking: a pipe nobody reads fails at once instead of hanging.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return Fail(errno, error);
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && ::fcntl(fd, F_SETFL, 0) == 0;
    if (ok && S_ISREG(st.st_mode)) {
        const bool sharedWithOutput = SameFile(st, STDOUT_FILENO) || SameFile(st, STDERR_FILENO);
        ok = sharedWithOutput ? ::lseek(fd, 0, SEEK_END) >= 0 : ::ftruncate(fd, 0) == 0;
    }
    ok = ok && WriteAll(fd, bytes);
    return CloseChecked(fd, ok, error);
}

// A new file beside `path`, to be renamed over it once written: its name in
// `temporary`; -1 with the reason in `error` when none can be made.
int MakeTemporary(const std::string& path, std::string* temporary, int* error) {
    for (int n = 0; n < 100; ++n) {
        *temporary = path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(n);
        const int fd = ::open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) return Fail(errno, error), -1;
    }
    return Fail(EEXIST, error), -1;
}

}  // namespace

bool WholeFile::CanWrite(const std::string& path, int* error) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return Fail(EISDIR, error);
        if (::access(path.c_str(), W_OK) != 0) return Fail(errno, error);
        if (!Replaceable(st)) return true;
    } else if (errno != ENOENT) {
        return Fail(errno, error);
    }
    // The directory's permissions do not tell everything (a read-only or
    // pseudo file system, root's rights): the file that Write() renames
    // over the name is made and removed, the name itself left alone.
    std::string temporary;
    const int fd = MakeTemporary(path, &temporary, error);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(temporary.c_str());
    return true;
}

bool WholeFile::Write(const std::string& path, const std::string& bytes, int* error) {
    struct stat st {};
    const bool exists = ::lstat(path.c_str(), &st) == 0;
    if (exists && !Replaceable(st)) return WriteInPlace(path, bytes, error);
    std::string temporary;
    const int fd = MakeTemporary(path, &temporary, error);
    if (fd < 0) return false;
    if (exists) ::fchmod(fd, st.st_mode & 07777);  // the replaced file's permissions stay
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = CloseChecked(fd, ok, error);
    // rename() replaces the name itself: were it swapped for a link in the
    // meantime, the link goes, never the file it points to.
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) ok = Fail(errno, error);
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

bool WholeFile::Read(const std::string& path, uint32_t maxBytes, std::string* bytes, int* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return Fail(errno, error);
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 || Fail(errno, error);
    if (ok && !S_ISREG(st.st_mode)) ok = Fail(kNotAFile, error);
    if (ok && st.st_size > maxBytes) ok = Fail(kTooLarge, error);
    bytes->assign(ok ? static_cast<std::size_t>(st.st_size) : 0, '\0');
    std::size_t total = 0;
    for (uint32_t got = 1; ok && got > 0 && total < bytes->size(); total += got) {
        ok = FileApi::Read(fd, bytes->data() + total, static_cast<uint32_t>(bytes->size() - total),
                           &got) ||
             Fail(LastError::GetErrno(), error);
    }
    bytes->resize(total);
    ::close(fd);
    return ok;
}

bool WholeFile::SameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace platform
