#pragma once
#include <string>

// A file the run hands its result in. A plain file of the user's (or a new
// one) is replaced whole or not at all: a finished copy is renamed over the
// name, so a run that cannot finish never leaves it empty or cut short.
// Anything else is written in place, as it stands: a symbolic link (never
// followed to rename over its target), a file with other links or another
// owner, a device (/dev/full), a pipe, or the file standard output already
// writes to (/dev/stdout >> log), which is appended to. Texts are UTF-8;
// `why` is a French reason. Main thread.
class ResultFile {
public:
    // Whether the file could be written now, without touching it.
    static bool CanWrite(const std::string& path, std::string* why);
    static bool Write(const std::string& path, const std::string& bytes, std::string* why);
};
