#pragma once
#include <cstdarg>
#include <cstdio>
#include <string>

#include "support/Chaine.h"

// Texts of the program's string table in UTF-8, for the command line: its
// terminal and result files want them so. Any thread.
namespace TableText {

// Entry `id` of the string table, in UTF-8.
inline std::string Get(unsigned id) { return Chaine(Chaine::ResourceId(id)).ToUtf8(); }

// Entry `id` taken as a printf format and filled in UTF-8: paths, labels and
// the system's texts are UTF-8 already, and go in as they are, every
// character kept, which a Windows-1252 Chaine::Format could not promise.
inline std::string Format(unsigned id, ...) {
    const std::string format = Get(id);
    va_list args;
    va_start(args, id);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format.c_str(), measure);
    va_end(measure);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length));
        std::vsnprintf(text.data(), text.size() + 1, format.c_str(), args);
    }
    va_end(args);
    return text;
}

}  // namespace TableText
