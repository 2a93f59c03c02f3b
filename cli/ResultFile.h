#pragma once
#include <string>

// A file the run hands its result in: written whole or not at all. A regular
// file (or the regular file a link leads to) is replaced by renaming a
// finished copy over it, so a run that cannot finish never leaves it empty or
// cut short; a device or a pipe (/dev/stdout) is written in place. Texts are
// UTF-8; `why` is a French reason. Main thread.
class ResultFile {
public:
    // Whether the file could be written now, without touching it.
    static bool CanWrite(const std::string& path, std::string* why);
    static bool Write(const std::string& path, const std::string& bytes, std::string* why);
};
