#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct DirEntry {
    std::string name;  // Windows-1252
    bool isDirectory = false;
    bool hidden = false;  // a name starting with '.'
};

// Questions about paths and directories. Paths in Windows-1252, '/' or '\'
// separators. Failures leave their code in LastError. Any thread.
class FileInfo {
public:
    // Whether the path names anything, and whether that is a directory
    // (symbolic links followed).
    static bool Exists(std::string_view path, bool* isDirectory = nullptr);
    // Whether anything has the name `path`, a symbolic link being looked at
    // itself (never followed), in `*found`; false when that cannot be told
    // (the directory of the path cannot be read, say).
    static bool HasEntry(std::string_view path, bool* found);
    static bool MakeDirectory(std::string_view path);
    // Every entry but "." and "..", in the order the system gives them.
    static bool List(std::string_view directory, std::vector<DirEntry>* entries);
    // The bytes that the file system holding `path` still gives a process
    // without privileges; false when it cannot tell (a size of 0 blocks, as
    // some FUSE clients of a share give).
    static bool FreeSpace(std::string_view path, uint64_t* bytes);
    static std::string CurrentDirectory();
};

}  // namespace platform
