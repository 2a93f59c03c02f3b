#pragma once
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>

// A file the command line hands a result or a report in, or reads a result
// from, as platform::WholeFile writes and reads it. Texts are UTF-8; `why` is
// a French reason. Main thread.
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
    // Whether the files a command writes (none, "-" for standard output,
    // or a path) are each its own: a path named twice, or two names of one
    // file, is said on `err`.
    static bool Distinct(std::initializer_list<std::string> paths, std::FILE* err);
    // "Impossible d'écrire WHAT : WHY" on `err`.
    static void SayCannotWrite(std::FILE* err, const std::string& what, const std::string& why);
    // The whole of a result written earlier, of at most `maxBytes`.
    static bool Read(const std::string& path, uint32_t maxBytes, std::string* bytes,
                     std::string* why);
};
