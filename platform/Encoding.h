#pragma once
#include <string>
#include <string_view>

namespace platform {

// Conversions between the program's 8-bit Windows-1252 text and the UTF-8 that
// the operating system and the terminal use. Any thread.
class Encoding {
public:
    // A character that Windows-1252 cannot hold, a malformed or overlong UTF-8
    // sequence, a surrogate, a value past U+10FFFF and U+0000 become '?'.
    static std::string Utf8ToAnsi(std::string_view utf8);
    static std::string AnsiToUtf8(std::string_view ansi);
};

}  // namespace platform
