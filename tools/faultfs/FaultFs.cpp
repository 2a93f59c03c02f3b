// faultfs: a pass-through FUSE file system that injects the faults a network
// share can show, so that a checker (this program's tests, or yours) can be
// shown to catch each one.
//
//   faultfs --source DIR [--fault FAULT]... [--pid-file FILE] MOUNTPOINT [-f] [-o OPTIONS]
//
// FILE receives the pid of the process that serves the mount, once mounted.
//
// FAULT (PREFIX selects the files whose name starts with it; empty for all):
//   flip:PREFIX:OFFSET[:BIT]     data read back at OFFSET has one bit flipped
//   short:PREFIX:OFFSET          reads stop at OFFSET: correct data, then nothing
//   fail:OP:K:ERRNO[:PREFIX]     the K-th OP (create, read, write, close, unlink;
//                                closewritten and closeempty: a close of a file
//                                that holds data, or none) fails with ERRNO (a
//                                number or EIO...)
//   drop:PREFIX:K                the K-th write is answered as done but not made
//   zero:PREFIX:OFFSET[:LENGTH]  the LENGTH bytes (4096) read back from OFFSET on
//                                are zeros, as a page served blank
//   misdirect:PREFIX:K:DISTANCE  the K-th write through each open file is made
//                                DISTANCE bytes further (back if negative, not
//                                before 0) and answered as done: the place it
//                                was meant for is unchanged
//   stale:PREFIX:K               the K-th file created reads back, as far as they
//                                reach, the bytes of the last file unlinked before
//                                it (its first 64 MiB, kept when it goes)
//   lostclose:PREFIX:K           the K-th file written to loses its last write
//                                when it closes: the bytes that write replaced and
//                                the size before it come back
//   unstable:PREFIX              writes are answered as done but are not stable:
//                                when the file system ends (unmounted: the server
//                                restarts), each file still there loses its last
//                                write, as lostclose undoes it
//   notrunc:PREFIX               every truncation, an open with O_TRUNC too, is
//                                answered as done but not made
//   appendzero:PREFIX            writes through a file opened with O_APPEND land
//                                at offset 0, not at the end
//   extendjunk:PREFIX            a truncation that makes a file longer fills the
//                                new part with 0xA5 bytes, not zeros
//   hang:MS                      a file that a fault struck takes MS milliseconds
//                                to close, as on a server that stalls after an
//                                error
//   stall:OP[:PREFIX]            every OP (create, open, read, write, close,
//                                unlink, getattr, readdir, statfs, or any
//                                request) goes unanswered, as on a hung server,
//                                until SIGUSR1 ends every stall for good
//
// Every file is opened with direct I/O: the kernel's page cache never answers
// a read for this file system, so every read-back reaches it.
#define FUSE_USE_VERSION 31
#include <dirent.h>
#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

// fail takes the operations up to unlink, stall all but the two closes of a kind.
enum class Op {
    kCreate,
    kRead,
    kWrite,
    kClose,
    kCloseWritten,
    kCloseEmpty,
    kUnlink,
    kOpen,
    kGetAttr,
    kReadDir,
    kStatFs,
    kAny,  // a request of no other name
};

struct Fault {
    enum Kind {
        kFlip,
        kShort,
        kFail,
        kDrop,
        kHang,
        kStall,
        kZero,
        kMisdirect,
        kStale,
        kLostClose,
        kUnstable,
        kNoTrunc,
        kAppendZero,
        kExtendJunk
    } kind;
    std::string prefix;
    uint64_t offset = 0;   // flip, short, zero
    uint64_t length = 0;   // zero
    int bit = 0;           // flip
    Op op = Op::kRead;     // fail, stall
    uint64_t k = 0;        // fail, drop, misdirect, stale, lostclose: which occurrence, from 1
    int error = EIO;       // fail
    uint64_t hangMs = 0;   // hang
    int64_t distance = 0;  // misdirect
    std::string file;      // stale: the file struck, once created, and the old
    std::string data;      // bytes it shows (both under g_keptLock)
    std::atomic<uint64_t> seen{0};
};

std::string g_source;
std::string g_pidFile;
std::vector<Fault*> g_faults;
// Set by SIGUSR1: the requests held answer, and no stall holds one again.
std::atomic<bool> g_released{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");
// The files that a fault struck, for hang.
std::mutex g_struckLock;
std::set<std::string> g_struck;
// The first bytes of the last file that a stale fault matched when it was unlinked.
std::mutex g_keptLock;
std::string g_kept;
constexpr std::size_t kKeptMax = 64 << 20;

// A write that may be undone: where it went, the bytes it replaced and the
// file's size before it.
struct Undo {
    off_t offset = 0;
    std::string replaced;
    off_t sizeBefore = 0;
};

// unstable: the last write of each file, by the file's path.
std::mutex g_unstableLock;
std::map<std::string, Undo> g_unstable;

// What a fault needs to know of an open file, by its handle.
struct Handle {
    bool atZero = false;   // appendzero: opened with O_APPEND, which its descriptor lacks
    uint64_t writes = 0;   // misdirect: the writes made through it
    bool written = false;  // lostclose: counted as a file written to
    bool undo = false;     // lostclose: its last write is undone at close
    Undo last;
};
std::mutex g_handlesLock;
std::map<uint64_t, Handle> g_handles;

std::string Real(const char* path) { return g_source + path; }

bool Matches(const Fault& f, const char* path) {
    if (!path) path = "";  // a file the kernel names by its handle only
    const char* name = std::strrchr(path, '/');
    name = name ? name + 1 : path;
    return std::strncmp(name, f.prefix.c_str(), f.prefix.size()) == 0;
}

// The error a fault asks for at this call, or 0. Every matching fault counts
// the call, so that several faults can strike successive calls.
int Injected(Op op, const char* path) {
    int error = 0;
    for (Fault* f : g_faults) {
        if (f->kind != Fault::kFail || f->op != op || !Matches(*f, path)) continue;
        if (++f->seen == f->k && error == 0) error = f->error;
    }
    if (error != 0) {
        std::lock_guard<std::mutex> guard(g_struckLock);
        g_struck.insert(path ? path : "");
    }
    return error;
}

void HangIfStruck(const char* path) {
    {
        std::lock_guard<std::mutex> guard(g_struckLock);
        if (g_struck.count(path ? path : "") == 0) return;
    }
    for (const Fault* f : g_faults) {
        if (f->kind == Fault::kHang) usleep(static_cast<useconds_t>(f->hangMs * 1000));
    }
}

// Whether a fault of `kind` takes the file.
bool Strikes(Fault::Kind kind, const char* path) {
    for (const Fault* f : g_faults) {
        if (f->kind == kind && Matches(*f, path)) return true;
    }
    return false;
}

// The fault of `kind` whose K-th occurrence this is, or null.
Fault* KthOccurrence(Fault::Kind kind, const char* path) {
    for (Fault* f : g_faults) {
        if (f->kind == kind && Matches(*f, path) && ++f->seen == f->k) return f;
    }
    return nullptr;
}

// Holds the request until SIGUSR1. The kernel and every other thread go on.
void StallIfAsked(Op op, const char* path) {
    for (const Fault* f : g_faults) {
        if (f->kind != Fault::kStall || (f->op != op && f->op != Op::kAny) || !Matches(*f, path))
            continue;
        while (!g_released) usleep(5000);
        return;
    }
}

// Operation F, first held by a stall of `op`.
template <Op op, auto F>
struct Held;
template <Op op, class... Args, int (*F)(const char*, Args...)>
struct Held<op, F> {
    static int Call(const char* path, Args... args) {
        StallIfAsked(op, path);
        return F(path, args...);
    }
};

void EndStalls(int) { g_released = true; }

int Errno(int r) { return r < 0 ? -errno : r; }

// Up to `size` bytes of the real file from `offset` on, read apart from any
// handle: the file's may be open for writing only.
std::string ReadReal(const char* path, off_t offset, std::size_t size) {
    std::string data(size, '\0');
    std::ifstream in(Real(path), std::ios::binary);
    in.seekg(offset);
    in.read(data.data(), static_cast<std::streamsize>(size));
    data.resize(static_cast<std::size_t>(in.gcount()));
    return data;
}

int GetAttr(const char* path, struct stat* st, fuse_file_info* fi) {
    if (fi) return Errno(fstat(static_cast<int>(fi->fh), st));
    return Errno(lstat(Real(path).c_str(), st));
}

int ReadDir(const char* path, void* buf, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
    DIR* d = opendir(Real(path).c_str());
    if (!d) return -errno;
    while (dirent* e = readdir(d))
        fill(buf, e->d_name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
    closedir(d);
    return 0;
}

// A file that appendzero takes gets a descriptor without O_APPEND: pwrite on
// one with it appends whatever the offset.
int OpenReal(const char* path, mode_t mode, fuse_file_info* fi) {
    const bool atZero = (fi->flags & O_APPEND) && Strikes(Fault::kAppendZero, path);
    const int fd = open(Real(path).c_str(), atZero ? fi->flags & ~O_APPEND : fi->flags, mode);
    if (fd < 0) return -errno;
    fi->fh = static_cast<uint64_t>(fd);
    fi->direct_io = 1;
    if (atZero) {
        std::lock_guard<std::mutex> guard(g_handlesLock);
        g_handles[fi->fh].atZero = true;
    }
    return 0;
}

int Create(const char* path, mode_t mode, fuse_file_info* fi) {
    if (int e = Injected(Op::kCreate, path)) return -e;
    if (int e = OpenReal(path, mode, fi)) return e;
    if (Fault* f = KthOccurrence(Fault::kStale, path)) {
        std::lock_guard<std::mutex> guard(g_keptLock);
        f->file = path, f->data = g_kept;
    }
    return 0;
}

int Open(const char* path, fuse_file_info* fi) { return OpenReal(path, 0, fi); }

int Read(const char* path, char* buf, size_t size, off_t offset, fuse_file_info* fi) {
    if (int e = Injected(Op::kRead, path)) return -e;
    for (Fault* f : g_faults) {
        if (f->kind != Fault::kShort || !Matches(*f, path)) continue;
        if (static_cast<uint64_t>(offset) >= f->offset) return 0;
        size = std::min<uint64_t>(size, f->offset - offset);
    }
    const ssize_t n = pread(static_cast<int>(fi->fh), buf, size, offset);
    if (n < 0) return -errno;
    const uint64_t from = offset, to = offset + n;
    {
        std::lock_guard<std::mutex> guard(g_keptLock);
        for (const Fault* f : g_faults) {
            if (f->kind == Fault::kStale && path && f->file == path && from < f->data.size())
                std::memcpy(buf, f->data.data() + from, std::min(to, f->data.size()) - from);
        }
    }
    for (Fault* f : g_faults) {
        if (f->kind == Fault::kZero && Matches(*f, path) && f->offset < to &&
            f->offset + f->length > from) {
            const uint64_t zeroFrom = std::max(from, f->offset);
            std::memset(buf + (zeroFrom - from), 0, std::min(to, f->offset + f->length) - zeroFrom);
        }
        if (f->kind == Fault::kFlip && Matches(*f, path) && f->offset >= from && f->offset < to)
            buf[f->offset - from] ^= static_cast<char>(1 << f->bit);
    }
    return static_cast<int>(n);
}

int Write(const char* path, const char* buf, size_t size, off_t offset, fuse_file_info* fi) {
    if (int e = Injected(Op::kWrite, path)) return -e;
    if (KthOccurrence(Fault::kDrop, path)) return static_cast<int>(size);
    const int fd = static_cast<int>(fi->fh);
    {
        std::lock_guard<std::mutex> guard(g_handlesLock);
        Handle& h = g_handles[fi->fh];
        if (h.atZero) offset = 0;
        ++h.writes;
        for (const Fault* f : g_faults) {
            if (f->kind == Fault::kMisdirect && f->k == h.writes && Matches(*f, path))
                offset = std::max<off_t>(0, offset + f->distance);
        }
        if (!h.written) {
            h.written = true;
            h.undo = path && KthOccurrence(Fault::kLostClose, path) != nullptr;
        }
        const bool unstable = path && Strikes(Fault::kUnstable, path);
        struct stat st {};
        if ((h.undo || unstable) && fstat(fd, &st) == 0) {
            h.last = {offset,
                      ReadReal(path, offset, std::clamp<off_t>(st.st_size - offset, 0, size)),
                      st.st_size};
            if (unstable) {
                std::lock_guard<std::mutex> unstableGuard(g_unstableLock);
                g_unstable[path] = h.last;
            }
        }
    }
    const ssize_t n = pwrite(fd, buf, size, offset);
    return n < 0 ? -errno : static_cast<int>(n);
}

// close() reports what flush answers; release is too late to fail anything.
int Flush(const char* path, fuse_file_info* fi) {
    HangIfStruck(path);
    {
        std::lock_guard<std::mutex> guard(g_handlesLock);
        const auto it = g_handles.find(fi->fh);
        if (it != g_handles.end() && it->second.undo) {
            const Undo& last = it->second.last;
            const int fd = static_cast<int>(fi->fh);
            if (pwrite(fd, last.replaced.data(), last.replaced.size(), last.offset) < 0 ||
                ftruncate(fd, last.sizeBefore) != 0) {
                std::perror("faultfs: lostclose");
            }
            it->second.undo = false;
        }
    }
    int e = Injected(Op::kClose, path);
    struct stat st {};
    if (fstat(static_cast<int>(fi->fh), &st) == 0) {
        const Op which = st.st_size > 0 ? Op::kCloseWritten : Op::kCloseEmpty;
        if (int w = Injected(which, path); e == 0) e = w;
    }
    return -e;
}

int Release(const char*, fuse_file_info* fi) {
    {
        // Before close: the descriptor's number may serve a new handle at once.
        std::lock_guard<std::mutex> guard(g_handlesLock);
        g_handles.erase(fi->fh);
    }
    close(static_cast<int>(fi->fh));
    return 0;
}

int Fsync(const char*, int dataOnly, fuse_file_info* fi) {
    const int fd = static_cast<int>(fi->fh);
    return Errno(dataOnly ? fdatasync(fd) : fsync(fd));
}

int Unlink(const char* path) {
    if (int e = Injected(Op::kUnlink, path)) return -e;
    const bool keep = Strikes(Fault::kStale, path);
    std::string kept;
    if (keep) {
        std::error_code error;
        const auto size = std::filesystem::file_size(Real(path), error);
        kept = ReadReal(path, 0, error ? 0 : std::min<uintmax_t>(size, kKeptMax));
    }
    if (unlink(Real(path).c_str()) != 0) return -errno;
    {
        std::lock_guard<std::mutex> guard(g_unstableLock);
        g_unstable.erase(path);
    }
    if (keep) {
        std::lock_guard<std::mutex> guard(g_keptLock);
        g_kept = std::move(kept);
        for (Fault* f : g_faults) {
            if (f->kind == Fault::kStale && f->file == path) f->file.clear(), f->data.clear();
        }
    }
    return 0;
}

int MkDir(const char* path, mode_t mode) { return Errno(mkdir(Real(path).c_str(), mode)); }
int RmDir(const char* path) { return Errno(rmdir(Real(path).c_str())); }
int Rename(const char* from, const char* to, unsigned int) {
    if (rename(Real(from).c_str(), Real(to).c_str()) != 0) return -errno;
    // What was not stable goes with the file, and what was replaced with it.
    std::lock_guard<std::mutex> guard(g_unstableLock);
    g_unstable.erase(to);
    if (auto node = g_unstable.extract(from)) {
        node.key() = to;
        g_unstable.insert(std::move(node));
    }
    return 0;
}
int Truncate(const char* path, off_t size, fuse_file_info* fi) {
    if (Strikes(Fault::kNoTrunc, path)) return 0;
    const int fd = fi ? static_cast<int>(fi->fh) : open(Real(path).c_str(), O_WRONLY);
    struct stat st {};
    int r = Errno(fd < 0 || fstat(fd, &st) != 0 ? -1 : ftruncate(fd, size));
    if (r == 0 && size > st.st_size && Strikes(Fault::kExtendJunk, path)) {
        const std::string junk(1 << 20, '\xA5');
        for (off_t at = st.st_size; at < size;) {
            const ssize_t n = pwrite(fd, junk.data(), std::min<off_t>(junk.size(), size - at), at);
            if (n < 0) {
                r = -errno;
                break;
            }
            at += n;
        }
    }
    if (!fi && fd >= 0) close(fd);
    return r;
}
// By its handle when the kernel gives one: the file may be unlinked meanwhile.
int Chmod(const char* path, mode_t mode, fuse_file_info* fi) {
    return Errno(fi ? fchmod(static_cast<int>(fi->fh), mode) : chmod(Real(path).c_str(), mode));
}
int Utimens(const char* path, const timespec tv[2], fuse_file_info* fi) {
    return Errno(fi ? futimens(static_cast<int>(fi->fh), tv)
                    : utimensat(AT_FDCWD, Real(path).c_str(), tv, AT_SYMLINK_NOFOLLOW));
}
int StatFs(const char* path, struct statvfs* st) { return Errno(statvfs(Real(path).c_str(), st)); }
int Access(const char* path, int mask) { return Errno(access(Real(path).c_str(), mask)); }

void* Init(fuse_conn_info* conn, fuse_config* cfg) {
    // An open with O_TRUNC truncates through Truncate, where notrunc sees it, not in open.
    conn->want &= ~FUSE_CAP_ATOMIC_O_TRUNC;
    cfg->direct_io = 1;
    cfg->kernel_cache = 0;
    cfg->attr_timeout = 0;
    cfg->entry_timeout = 0;
    cfg->negative_timeout = 0;
    // An unlink reaches Unlink by its name even while the kernel has yet to
    // release the file (a release comes after close returns): the library
    // would otherwise rename the file aside, out of the faults' sight. Calls
    // on such a file that follow come with its handle and a null path.
    cfg->hard_remove = 1;
    // The process that serves the mount, which fuse_main has made by now.
    if (!g_pidFile.empty()) std::ofstream(g_pidFile) << getpid() << '\n';
    return nullptr;
}

// The end of the file system: what unstable kept from the disk is lost.
void Destroy(void*) {
    std::lock_guard<std::mutex> guard(g_unstableLock);
    for (const auto& [path, last] : g_unstable) {
        const int fd = open(Real(path.c_str()).c_str(), O_WRONLY);
        if (fd < 0 || pwrite(fd, last.replaced.data(), last.replaced.size(), last.offset) < 0 ||
            ftruncate(fd, last.sizeBefore) != 0) {
            std::perror("faultfs: unstable");
        }
        if (fd >= 0) close(fd);
    }
}

// An errno by its name ("EIO") or its number; 0 for neither.
int ParseErrno(const std::string& s) {
    for (int value = 1; value < 256; ++value) {
        const char* name = strerrorname_np(value);
        if ((name && s == name) || s == std::to_string(value)) return value;
    }
    return 0;
}

std::vector<std::string> Split(const std::string& s) {
    std::vector<std::string> parts;
    std::size_t from = 0, colon;
    while ((colon = s.find(':', from)) != std::string::npos) {
        parts.push_back(s.substr(from, colon - from));
        from = colon + 1;
    }
    parts.push_back(s.substr(from));
    return parts;
}

// An operation by its name, as a fault of `kind` takes it.
bool ParseOp(const std::string& name, Fault::Kind kind, Op* op) {
    static const std::pair<const char*, Op> kOps[] = {{"create", Op::kCreate},
                                                      {"read", Op::kRead},
                                                      {"write", Op::kWrite},
                                                      {"close", Op::kClose},
                                                      {"closewritten", Op::kCloseWritten},
                                                      {"closeempty", Op::kCloseEmpty},
                                                      {"unlink", Op::kUnlink},
                                                      {"open", Op::kOpen},
                                                      {"getattr", Op::kGetAttr},
                                                      {"readdir", Op::kReadDir},
                                                      {"statfs", Op::kStatFs},
                                                      {"any", Op::kAny}};
    for (const auto& [text, value] : kOps) {
        if (name != text) continue;
        *op = value;
        if (kind == Fault::kFail) return value <= Op::kUnlink;
        return value != Op::kCloseWritten && value != Op::kCloseEmpty;
    }
    return false;
}

bool ParseFault(const std::string& text) {
    const auto p = Split(text);
    auto* f = new Fault{};
    if (p[0] == "flip" && p.size() >= 3) {
        f->kind = Fault::kFlip, f->prefix = p[1], f->offset = std::stoull(p[2]);
        f->bit = p.size() > 3 ? std::stoi(p[3]) & 7 : 0;
    } else if (p[0] == "short" && p.size() == 3) {
        f->kind = Fault::kShort, f->prefix = p[1], f->offset = std::stoull(p[2]);
    } else if (p[0] == "fail" && p.size() >= 4) {
        f->kind = Fault::kFail;
        if (!ParseOp(p[1], f->kind, &f->op)) return false;
        f->k = std::stoull(p[2]), f->error = ParseErrno(p[3]);
        f->prefix = p.size() > 4 ? p[4] : "";
        if (f->error == 0) return false;
    } else if (p[0] == "stall" && (p.size() == 2 || p.size() == 3)) {
        f->kind = Fault::kStall, f->prefix = p.size() > 2 ? p[2] : "";
        if (!ParseOp(p[1], f->kind, &f->op)) return false;
    } else if (p[0] == "hang" && p.size() == 2) {
        f->kind = Fault::kHang, f->hangMs = std::stoull(p[1]);
    } else if (p[0] == "drop" && p.size() == 3) {
        f->kind = Fault::kDrop, f->prefix = p[1], f->k = std::stoull(p[2]);
    } else if (p[0] == "zero" && (p.size() == 3 || p.size() == 4)) {
        f->kind = Fault::kZero, f->prefix = p[1], f->offset = std::stoull(p[2]);
        f->length = p.size() > 3 ? std::stoull(p[3]) : 4096;
    } else if (p[0] == "misdirect" && p.size() == 4) {
        f->kind = Fault::kMisdirect, f->prefix = p[1], f->k = std::stoull(p[2]);
        f->distance = std::stoll(p[3]);
    } else if (p[0] == "stale" && p.size() == 3) {
        f->kind = Fault::kStale, f->prefix = p[1], f->k = std::stoull(p[2]);
    } else if (p[0] == "lostclose" && p.size() == 3) {
        f->kind = Fault::kLostClose, f->prefix = p[1], f->k = std::stoull(p[2]);
    } else if (p[0] == "unstable" && p.size() == 2) {
        f->kind = Fault::kUnstable, f->prefix = p[1];
    } else if (p[0] == "notrunc" && p.size() == 2) {
        f->kind = Fault::kNoTrunc, f->prefix = p[1];
    } else if (p[0] == "appendzero" && p.size() == 2) {
        f->kind = Fault::kAppendZero, f->prefix = p[1];
    } else if (p[0] == "extendjunk" && p.size() == 2) {
        f->kind = Fault::kExtendJunk, f->prefix = p[1];
    } else {
        delete f;
        return false;
    }
    g_faults.push_back(f);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> fuseArgs{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--source" && i + 1 < argc) {
            g_source = argv[++i];
        } else if (arg == "--pid-file" && i + 1 < argc) {
            g_pidFile = std::filesystem::absolute(argv[++i]);  // the daemon leaves for /
        } else if (arg == "--fault" && i + 1 < argc) {
            bool parsed = false;
            try {
                parsed = ParseFault(argv[++i]);
            } catch (const std::exception&) {  // a number that is none
            }
            if (!parsed) {
                std::fprintf(stderr, "faultfs: bad fault %s\n", argv[i]);
                return 2;
            }
        } else {
            fuseArgs.push_back(argv[i]);
        }
    }
    if (g_source.empty()) {
        std::fprintf(stderr,
                     "usage: faultfs --source DIR [--fault FAULT]... [--pid-file FILE] MOUNTPOINT "
                     "[fuse options]\n");
        return 2;
    }
    // Requests are served on many threads (no -s): a stalled one holds only its own.
    std::signal(SIGUSR1, EndStalls);
    fuse_operations ops{};
    ops.getattr = Held<Op::kGetAttr, GetAttr>::Call;
    ops.readdir = Held<Op::kReadDir, ReadDir>::Call;
    ops.create = Held<Op::kCreate, Create>::Call;
    ops.open = Held<Op::kOpen, Open>::Call;
    ops.read = Held<Op::kRead, Read>::Call;
    ops.write = Held<Op::kWrite, Write>::Call;
    ops.flush = Held<Op::kClose, Flush>::Call;
    ops.release = Held<Op::kAny, Release>::Call;
    ops.fsync = Held<Op::kAny, Fsync>::Call;
    ops.unlink = Held<Op::kUnlink, Unlink>::Call;
    ops.mkdir = Held<Op::kAny, MkDir>::Call;
    ops.rmdir = Held<Op::kAny, RmDir>::Call;
    ops.rename = Held<Op::kAny, Rename>::Call;
    ops.truncate = Held<Op::kAny, Truncate>::Call;
    ops.chmod = Held<Op::kAny, Chmod>::Call;
    ops.utimens = Held<Op::kAny, Utimens>::Call;
    ops.statfs = Held<Op::kStatFs, StatFs>::Call;
    ops.access = Held<Op::kAny, Access>::Call;
    ops.init = Init;
    ops.destroy = Destroy;
    return fuse_main(static_cast<int>(fuseArgs.size()), fuseArgs.data(), &ops, nullptr);
}
