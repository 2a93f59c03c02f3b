#include "platform/Encoding.h"

#include <cstdint>

namespace platform {
namespace {

// Code points of 0x80..0x9F in Windows-1252; 0 where the code page has a hole.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t AnsiToCodePoint(unsigned char c) {
    if (c >= 0x80 && c < 0xA0) {
        return kHigh[c - 0x80] ? kHigh[c - 0x80] : c;  // holes pass through as C1 controls
    }
    return c;
}

char CodePointToAnsi(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == cp || (kHigh[i] == 0 && cp == char32_t(0x80 + i))) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string Encoding::AnsiToUtf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size() + ansi.size() / 8);
    for (unsigned char c : ansi) AppendUtf8(out, AnsiToCodePoint(c));
    return out;
}

std::string Encoding::Utf8ToAnsi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int extra = lead < 0x80           ? 0
                          : (lead >> 5) == 0x6  ? 1
                          : (lead >> 4) == 0xE  ? 2
                          : (lead >> 3) == 0x1E ? 3
                                                : -1;
        if (extra < 0 || i + extra >= utf8.size()) {
            out += '?';
            ++i;
            continue;
        }
        char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        int k = 1;
        for (; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80) break;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (k <= extra) {  // cut short: the lead alone goes, what follows is read again
            out += '?';
            ++i;
            continue;
        }
        // An overlong form could smuggle a '/' or a NUL past the checks on
        // names, and surrogates or values past U+10FFFF are no characters:
        // each whole sequence becomes one '?', as does U+0000 itself.
        static constexpr char32_t kSmallest[4] = {0, 0x80, 0x800, 0x10000};
        const bool valid =
            cp >= kSmallest[extra] && cp != 0 && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        out += valid ? CodePointToAnsi(cp) : '?';
        i += extra + 1;
    }
    return out;
}

}  // namespace platform
