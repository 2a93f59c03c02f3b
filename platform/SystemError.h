#pragma once
#include <cstdint>
#include <string>

namespace platform {

// Error codes of the program's one code space (the Windows numbering, so that
// 112 always means a full disk), the mapping from errno, and a French message
// for each code. Any thread.
class SystemError {
public:
    static constexpr uint32_t kSuccess = 0;
    static constexpr uint32_t kFileNotFound = 2;
    static constexpr uint32_t kPathNotFound = 3;
    static constexpr uint32_t kTooManyOpenFiles = 4;
    static constexpr uint32_t kAccessDenied = 5;
    static constexpr uint32_t kInvalidHandle = 6;
    static constexpr uint32_t kNotEnoughMemory = 8;
    static constexpr uint32_t kWriteProtect = 19;
    static constexpr uint32_t kSharingViolation = 32;
    static constexpr uint32_t kBadNetPath = 53;
    static constexpr uint32_t kNetNameDeleted = 64;
    static constexpr uint32_t kFileExists = 80;
    static constexpr uint32_t kInvalidParameter = 87;
    static constexpr uint32_t kDiskFull = 112;
    static constexpr uint32_t kSemTimeout = 121;
    static constexpr uint32_t kInvalidName = 123;
    static constexpr uint32_t kDirNotEmpty = 145;
    static constexpr uint32_t kFilenameTooLong = 206;
    static constexpr uint32_t kFileTooLarge = 223;
    static constexpr uint32_t kIoDevice = 1117;

    // `creating` tells that the failed call creates a file: a missing entry is
    // then a missing directory of the path (3) rather than a missing file (2).
    static uint32_t FromErrno(int err, bool creating = false);

    // The French message of a code, in Windows-1252; false and empty for a code
    // that has none.
    static bool Message(uint32_t code, std::string* ansi);

    // "ELOOP : Too many levels of symbolic links": the system's own name and
    // text of an errno that no code above stands for (all of them read 1117),
    // so that the report still says what really happened. Empty for the
    // others, whose French message says it already.
    static std::string UnmappedText(int err);
};

// The last error of the calling thread, as GetLastError keeps it: every failing
// call of the platform layer sets it; successful calls leave it alone. The
// errno behind the code is kept beside it.
class LastError {
public:
    static uint32_t Get();
    // 0 when the code was set by the program itself rather than by the system.
    static int GetErrno();
    static void Set(uint32_t code);
    // Maps errno (as SystemError::FromErrno does) and stores the result.
    static void SetFromErrno(int err, bool creating = false);
};

}  // namespace platform
