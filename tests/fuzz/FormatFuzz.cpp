// Format with the formats the program uses, fuzzed widths, precisions, numbers
// and strings: the text must always be exactly what snprintf measures.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "support/Chaine.h"

namespace {

template <typename T>
T Take(const uint8_t*& data, size_t& size) {
    T value{};
    const size_t n = size < sizeof(T) ? size : sizeof(T);
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

void Check(const Chaine& got, const char* expectedFormat, ...) {
    va_list args;
    va_start(args, expectedFormat);
    char buffer[1 << 16];
    const int n = std::vsnprintf(buffer, sizeof buffer, expectedFormat, args);
    va_end(args);
    if (n >= 0 && static_cast<size_t>(n) < sizeof buffer &&
        (got.GetLength() != static_cast<size_t>(n) || std::memcmp(got.c_str(), buffer, n) != 0)) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto choice = Take<uint8_t>(data, size);
    const int width = Take<uint16_t>(data, size) % 2000;
    const int precision = Take<uint16_t>(data, size) % 400;
    const auto u64 = Take<uint64_t>(data, size);
    const auto i32 = Take<int32_t>(data, size);
    const auto f = Take<double>(data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);  // may hold NULs
    const char* s = text.c_str();
    Chaine c;
// The same format for both, where the program's format is also the C library's.
#define SAME(...) c.Format(__VA_ARGS__), Check(c, __VA_ARGS__)
    switch (choice % 8) {
        case 0:
            c.Format("%I64u octets/sec (%I64u.%I64u Mbits/sec)", u64, u64 / 10, u64 % 10);
            Check(c, "%llu octets/sec (%llu.%llu Mbits/sec)", (unsigned long long)u64,
                  (unsigned long long)(u64 / 10), (unsigned long long)(u64 % 10));
            break;
        case 1: SAME(" (WinErr:%d)", i32); break;
        case 2: SAME("%*.*f", width, precision, f); break;
        case 3:
            c.Format("%-*s|%*I64d", width, s, width, static_cast<int64_t>(u64));
            Check(c, "%-*s|%*lld", width, s, width, (long long)u64);
            break;
        case 4: SAME("%02d%c%02d%c%02d", i32, s[0], i32 % 60, ':', precision); break;
        case 5: SAME("%s/test-%d.rtf", s, i32); break;
        case 6:
            c.Format("%.*s%I64x%%", precision, s, u64);
            Check(c, "%.*s%llx%%", precision, s, (unsigned long long)u64);
            break;
        default: SAME("%g %e %*.*e", f, f, width, precision, f);
    }
#undef SAME
    return 0;
}
