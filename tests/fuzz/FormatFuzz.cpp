// Format with the formats the program uses, fuzzed widths, precisions, numbers
// and strings: the text must always be exactly what snprintf measures.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "support/Chaine.h"

template <typename T>
static T Take(const uint8_t*& data, size_t& size) {
    T value{};
    const size_t n = size < sizeof(T) ? size : sizeof(T);
    std::memcpy(&value, data, n);
    return data += n, size -= n, value;
}

static void Check(const Chaine& got, const char* expectedFormat, ...) {
    va_list args;
    va_start(args, expectedFormat);
    char out[1 << 16];
    const int n = std::vsnprintf(out, sizeof out, expectedFormat, args);
    va_end(args);
    if (n >= 0 && n < int{sizeof out} && got.View() != std::string_view(out, n)) __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto choice = Take<uint8_t>(data, size);
    const int width = Take<uint16_t>(data, size) % 2000;
    const int precision = Take<uint16_t>(data, size) % 400;
    // The type the C library reads for %llu and %lld, which "%I64" becomes.
    const unsigned long long u64 = Take<uint64_t>(data, size);
    const auto i32 = Take<int32_t>(data, size);
    const auto f = Take<double>(data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);  // may hold NULs
    const char* s = text.c_str();
// The program's format, then the C library's for the same text.
#define BOTH(format, cFormat, ...) Check(Chaine().Format(format, __VA_ARGS__), cFormat, __VA_ARGS__)
#define SAME(format, ...) BOTH(format, format, __VA_ARGS__)
    switch (choice % 8) {
        case 1: SAME(" (WinErr:%d)", i32); break;
        case 2: SAME("%*.*f", width, precision, f); break;
        case 3: BOTH("%-*s|%*I64d", "%-*s|%*lld", width, s, width, (long long)u64); break;
        case 4: SAME("%02d%c%02d%c%02d", i32, s[0], i32 % 60, ':', precision); break;
        case 5: SAME("%s/test-%d.rtf", s, i32); break;
        case 6: BOTH("%.*s%I64x%%", "%.*s%llx%%", precision, s, u64); break;
        case 7: SAME("%g %e %*.*e", f, f, width, precision, f); break;
        default:  // 0
            BOTH("%I64u octets/sec (%I64u.%I64u Mbits/sec)",
                 "%llu octets/sec (%llu.%llu Mbits/sec)", u64, u64 / 10, u64 % 10);
    }
    return 0;
}
