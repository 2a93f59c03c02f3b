#pragma once
#include <cstdio>
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
    // Whether Deliver() can be tried: a file that could not be written now is
    // said on `err`. True for "-" and for no path.
    static bool CanDeliver(const std::string& path, std::FILE* err);
    // A result asked for with --json PATH: written to that file, or to `out`
    // for "-"; false, the reason said on `err`, when it could not be.
    static bool Deliver(const std::string& path, const std::string& bytes, std::FILE* out,
                        std::FILE* err);
    // "Impossible d'écrire WHAT : WHY" on `err`.
    static void SayCannotWrite(std::FILE* err, const std::string& what, const std::string& why);
    // Whether both names stand for one existing file.
    static bool SameFile(const std::string& a, const std::string& b);
    // The whole of a result written earlier.
    static bool Read(const std::string& path, std::string* bytes, std::string* why);
};
