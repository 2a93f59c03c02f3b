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

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
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
    enum Kind { kFlip, kShort, kFail, kDrop, kHang, kStall } kind;
    std::string prefix;
    uint64_t offset = 0;  // flip, short
    int bit = 0;          // flip
    Op op = Op::kRead;    // fail, stall
    uint64_t k = 0;       // fail, drop: which occurrence, from 1
    int error = EIO;      // fail
    uint64_t hangMs = 0;  // hang
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
        g_struck.insert(path);
    }
    return error;
}

void HangIfStruck(const char* path) {
    {
        std::lock_guard<std::mutex> guard(g_struckLock);
        if (g_struck.count(path) == 0) return;
    }
    for (const Fault* f : g_faults) {
        if (f->kind == Fault::kHang) usleep(static_cast<useconds_t>(f->hangMs * 1000));
    }
}

bool DropThisWrite(const char* path) {
    for (Fault* f : g_faults) {
        if (f->kind == Fault::kDrop && Matches(*f, path) && ++f->seen == f->k) return true;
    }
    return false;
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

int Create(const char* path, mode_t mode, fuse_file_info* fi) {
    if (int e = Injected(Op::kCreate, path)) return -e;
    const int fd = open(Real(path).c_str(), fi->flags, mode);
    if (fd < 0) return -errno;
    fi->fh = static_cast<uint64_t>(fd);
    fi->direct_io = 1;
    return 0;
}

int Open(const char* path, fuse_file_info* fi) {
    const int fd = open(Real(path).c_str(), fi->flags);
    if (fd < 0) return -errno;
    fi->fh = static_cast<uint64_t>(fd);
    fi->direct_io = 1;
    return 0;
}

int Read(const char* path, char* buf, size_t size, off_t offset, fuse_file_info* fi) {
    if (int e = Injected(Op::kRead, path)) return -e;
    for (Fault* f : g_faults) {
        if (f->kind != Fault::kShort || !Matches(*f, path)) continue;
        if (static_cast<uint64_t>(offset) >= f->offset) return 0;
        size = std::min<uint64_t>(size, f->offset - offset);
    }
    const ssize_t n = pread(static_cast<int>(fi->fh), buf, size, offset);
    if (n < 0) return -errno;
    for (Fault* f : g_faults) {
        if (f->kind == Fault::kFlip && Matches(*f, path) &&
            f->offset >= static_cast<uint64_t>(offset) &&
            f->offset < static_cast<uint64_t>(offset + n)) {
            buf[f->offset - offset] ^= static_cast<char>(1 << f->bit);
        }
    }
    return static_cast<int>(n);
}

int Write(const char* path, const char* buf, size_t size, off_t offset, fuse_file_info* fi) {
    if (int e = Injected(Op::kWrite, path)) return -e;
    if (DropThisWrite(path)) return static_cast<int>(size);
    const ssize_t n = pwrite(static_cast<int>(fi->fh), buf, size, offset);
    return n < 0 ? -errno : static_cast<int>(n);
}

// close() reports what flush answers; release is too late to fail anything.
int Flush(const char* path, fuse_file_info* fi) {
    HangIfStruck(path);
    int e = Injected(Op::kClose, path);
    struct stat st {};
    if (fstat(static_cast<int>(fi->fh), &st) == 0) {
        const Op which = st.st_size > 0 ? Op::kCloseWritten : Op::kCloseEmpty;
        if (int w = Injected(which, path); e == 0) e = w;
    }
    return -e;
}

int Release(const char*, fuse_file_info* fi) {
    close(static_cast<int>(fi->fh));
    return 0;
}

int Fsync(const char*, int dataOnly, fuse_file_info* fi) {
    const int fd = static_cast<int>(fi->fh);
    return Errno(dataOnly ? fdatasync(fd) : fsync(fd));
}

int Unlink(const char* path) {
    if (int e = Injected(Op::kUnlink, path)) return -e;
    return Errno(unlink(Real(path).c_str()));
}

int MkDir(const char* path, mode_t mode) { return Errno(mkdir(Real(path).c_str(), mode)); }
int RmDir(const char* path) { return Errno(rmdir(Real(path).c_str())); }
int Rename(const char* from, const char* to, unsigned int) {
    return Errno(rename(Real(from).c_str(), Real(to).c_str()));
}
int Truncate(const char* path, off_t size, fuse_file_info* fi) {
    return fi ? Errno(ftruncate(static_cast<int>(fi->fh), size))
              : Errno(truncate(Real(path).c_str(), size));
}
int Chmod(const char* path, mode_t mode, fuse_file_info*) {
    return Errno(chmod(Real(path).c_str(), mode));
}
int Utimens(const char* path, const timespec tv[2], fuse_file_info*) {
    return Errno(utimensat(AT_FDCWD, Real(path).c_str(), tv, AT_SYMLINK_NOFOLLOW));
}
int StatFs(const char* path, struct statvfs* st) { return Errno(statvfs(Real(path).c_str(), st)); }
int Access(const char* path, int mask) { return Errno(access(Real(path).c_str(), mask)); }

void* Init(fuse_conn_info*, fuse_config* cfg) {
    cfg->direct_io = 1;
    cfg->kernel_cache = 0;
    cfg->attr_timeout = 0;
    cfg->entry_timeout = 0;
    cfg->negative_timeout = 0;
    // The process that serves the mount, which fuse_main has made by now.
    if (!g_pidFile.empty()) std::ofstream(g_pidFile) << getpid() << '\n';
    return nullptr;
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
    return fuse_main(static_cast<int>(fuseArgs.size()), fuseArgs.data(), &ops, nullptr);
}
