#pragma once
#include <cstdint>
#include <string>

namespace platform {

// A file the user asked the program to write or read whole, by its system
// name (UTF-8). A plain file of the user's (or a new one) is replaced whole or
// not at all: a finished copy is renamed over the name, so a writer that
// cannot finish never leaves it empty or cut short. Anything else is written
// in place, as it stands: a symbolic link (never followed to rename over its
// target), a file with other links or another owner, a device (/dev/full), a
// pipe, or the file standard output already writes to (/dev/stdout >> log),
// which is appended to. Failures give the errno in `error`, or one of the
// codes below. Any thread.
class WholeFile {
public:
    static constexpr int kNotAFile = -1;  // Read: a directory, a pipe, a device
    static constexpr int kTooLarge = -2;  // Read: more than the bytes allowed

    // Whether the file could be written now, without touching it (a
    // temporary file beside it is made and removed).
    static bool CanWrite(const std::string& path, int* error);
    static bool Write(const std::string& path, const std::string& bytes, int* error);
    // A plain file of at most `maxBytes`: not a pipe nobody writes to, a
    // directory or a device that never ends.
    static bool Read(const std::string& path, uint32_t maxBytes, std::string* bytes, int* error);
    // Whether both names stand for one existing file.
    static bool SameFile(const std::string& a, const std::string& b);
};

}  // namespace platform
