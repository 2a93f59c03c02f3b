#pragma once
#include <cstdio>
#include <string>

namespace platform {

// This machine and the program's own streams. Any thread.
class Host {
public:
    // The machine's name; empty when the system gives none.
    static std::string Name();
    // Whether the stream writes to a terminal, where a line can be rewritten.
    static bool IsTerminal(std::FILE* stream);
};

}  // namespace platform
