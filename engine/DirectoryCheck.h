#pragma once
#include <cstdint>
#include <string>

#include "engine/RunFootprint.h"
#include "support/Chaine.h"

// Whether a directory can hold a run, asked before it starts: a folder that
// cannot be used is refused with its reason, rather than failing the run as if
// the network were at fault. The first problem found is told, in the order of
// Problem. Any thread; the result holds plain strings, so that it can be
// handed to another one.
class DirectoryCheck {
public:
    enum Problem {
        kUsable,
        kNotAbsolute,   // not from the root: "relative", "~", "C:\Temp", "\\server\share"
        kInvalidName,   // `path`: the first character that names may not hold here
        kTooLong,       // the path, or one of its names
        kLinkLoop,      // symbolic links that lead back to themselves
        kMissing,       // `path`: the first folder of the path that does not exist
        kNotDirectory,  // `path`: the file found where a folder was expected
        kNotWritable,   // `error`, `sysErrno`: why no file could be made and deleted there
        kNoSpace,       // `freeMb`: less than the run writes at most, `needed`
    };
    struct Result {
        Problem problem = kUsable;
        std::string path;    // Windows-1252
        uint32_t error = 0;  // SystemError's code
        int sysErrno = 0;
        uint32_t freeMb = 0;
        RunFootprint needed;
    };

    // The path alone, up to kNotDirectory: nothing is written.
    static Result OfPath(const Chaine& directory);
    // The path, then a file made and deleted there under the program's own
    // pattern, then the free space against what the run writes at most,
    // `needed` (RunFootprint::Of its settings).
    // The program's end waits for the checks on their way (WaitForChecks).
    static Result ForRun(const Chaine& directory, const RunFootprint& needed);
    // Waits up to `limitMs` for every ForRun on its way to end; true when one
    // still runs.
    static bool WaitForChecks(uint32_t limitMs);
};
