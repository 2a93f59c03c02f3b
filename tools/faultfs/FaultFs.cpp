// faultfs: a pass-through FUSE file system that injects the faults a network
// share can show, so that a checker (this program's tests, or yours) can be
// shown to catch each one.
//
//   faultfs --source DIR [--fault FAULT]... MOUNTPOINT [-f] [-o OPTIONS]
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
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

enum class Op { kCreate, kRead, kWrite, kClose, kCloseWritten, kCloseEmpty, kUnlink };

struct Fault {
    enum Kind { kFlip, kShort, kFail, kDrop, kHang } kind;
    std::string prefix;
    uint64_t offset = 0;  // flip, short
    int bit = 0;          // flip
    Op op = Op::kRead;    // fail
    uint64_t k = 0;       // fail, drop: which occurrence, from 1
    int error = EIO;      // fail
    uint64_t hangMs = 0;  // hang
    std::atomic<uint64_t> seen{0};
};

std::string g_source;
std::vector<Fault*> g_faults;
// The files that a fault struck, for hang.
std::mutex g_struckLock;
std::set<std::string> g_struck;

std::string Real(const char* path) { return g_source + path; }

bool Matches(const Fault& f, const char* path) {
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
        const std::string& op = p[1];
        static const std::pair<const char*, Op> kOps[] = {{"create", Op::kCreate},
                                                          {"read", Op::kRead},
                                                          {"write", Op::kWrite},
                                                          {"close", Op::kClose},
                                                          {"closewritten", Op::kCloseWritten},
                                                          {"closeempty", Op::kCloseEmpty},
                                                          {"unlink", Op::kUnlink}};
        bool known = false;
        for (const auto& [name, value] : kOps) {
            if (op == name) f->op = value, known = true;
        }
        if (!known) return false;
        f->k = std::stoull(p[2]), f->error = ParseErrno(p[3]);
        f->prefix = p.size() > 4 ? p[4] : "";
        if (f->error == 0) return false;
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
                     "usage: faultfs --source DIR [--fault FAULT]... MOUNTPOINT [fuse options]\n");
        return 2;
    }
    fuse_operations ops{};
    ops.getattr = GetAttr;
    ops.readdir = ReadDir;
    ops.create = Create;
    ops.open = Open;
    ops.read = Read;
    ops.write = Write;
    ops.flush = Flush;
    ops.release = Release;
    ops.fsync = Fsync;
    ops.unlink = Unlink;
    ops.mkdir = MkDir;
    ops.rmdir = RmDir;
    ops.rename = Rename;
    ops.truncate = Truncate;
    ops.chmod = Chmod;
    ops.utimens = Utimens;
    ops.statfs = StatFs;
    ops.access = Access;
    ops.init = Init;
    return fuse_main(static_cast<int>(fuseArgs.size()), fuseArgs.data(), &ops, nullptr);
}
