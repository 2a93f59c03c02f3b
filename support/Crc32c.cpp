#include "support/Crc32c.h"

#include <cstring>

namespace {

constexpr uint32_t kReflectedPolynomial = 0x82F63B78u;

uint32_t Bitwise(const unsigned char* p, std::size_t size, uint32_t crc) {
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= p[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (kReflectedPolynomial & (0u - (crc & 1)));
    }
    return crc;
}

#if defined(__x86_64__)
__attribute__((target("sse4.2"))) uint32_t Hardware(const unsigned char* p, std::size_t size,
                                                     uint32_t crc) {
    uint64_t c = crc;
    for (; size >= 8; p += 8, size -= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        c = __builtin_ia32_crc32di(c, word);
    }
    auto c32 = static_cast<uint32_t>(c);
    for (; size > 0; ++p, --size) c32 = __builtin_ia32_crc32qi(c32, *p);
    return c32;
}

bool HasCrcInstruction() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("sse4.2") != 0;
    }();
    return has;
}
#endif

}  // namespace

uint32_t Crc32c(const void* data, std::size_t size, uint32_t crc) {
    const auto* p = static_cast<const unsigned char*>(data);
    crc = ~crc;
#if defined(__x86_64__)
    if (HasCrcInstruction()) return ~Hardware(p, size, crc);
#endif
    return ~Bitwise(p, size, crc);
}
