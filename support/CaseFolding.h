#pragma once
#include <array>

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

private:
    static constexpr std::array<unsigned char, 256> kTable = case_folding_detail::MakeTable();
};
