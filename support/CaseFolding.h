#pragma once
#include <array>
#include <string_view>

namespace case_folding_detail {
constexpr std::array<unsigned char, 256> MakeTable() {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) {
        const bool lower = (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xEF) ||
                           (c >= 0xF1 && c <= 0xF6) || (c >= 0xF8 && c <= 0xFD);
        t[c] = static_cast<unsigned char>(lower ? c - 0x20 : c);
    }
    return t;
}
}  // namespace case_folding_detail

// The one table through which every case-insensitive comparison of Windows-1252
// text goes: small letters, accented ones included, map to their capitals;
// every other code (F0, F7, FE and FF among them) maps to itself.
class CaseFolding {
public:
    static unsigned char Fold(unsigned char c) { return kTable[c]; }

    // <0, 0 or >0 as `a` sorts before, with or after `b`: byte for byte, or
    // through the table.
    static int Compare(std::string_view a, std::string_view b, bool ignoreCase) {
        const std::size_t n = a.size() < b.size() ? a.size() : b.size();
        for (std::size_t i = 0; i < n; ++i) {
            const int d = Key(a[i], ignoreCase) - Key(b[i], ignoreCase);
            if (d != 0) return d;
        }
        return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
    }
    static bool StartsWith(std::string_view text, std::string_view prefix, bool ignoreCase) {
        return text.size() >= prefix.size() &&
               Compare(text.substr(0, prefix.size()), prefix, ignoreCase) == 0;
    }

private:
    static int Key(char c, bool ignoreCase) {
        const auto u = static_cast<unsigned char>(c);
        return ignoreCase ? kTable[u] : u;
    }

    static constexpr std::array<unsigned char, 256> kTable = case_folding_detail::MakeTable();
};
