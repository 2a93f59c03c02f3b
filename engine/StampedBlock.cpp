#include "engine/StampedBlock.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <random>

#include "platform/Host.h"
#include "support/Crc32c.h"

namespace {

constexpr uint32_t kMagic = 0x31425856;  // "VXB1"
// Where the fields sit in the header; the rest of it is zero.
constexpr uint32_t kMagicAt = 0, kCrcAt = 4, kRunAt = 8, kClientAt = 16, kSerialAt = 20,
                   kOffsetAt = 24, kGenerationAt = 32, kCheckedFrom = 8;

void Put(unsigned char* out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint64_t Get(const unsigned char* in, int bytes) {
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | in[i];
    return value;
}

void PutHeader(const BlockStamp& s, unsigned char* h) {
    std::memset(h, 0, StampedBlock::kHeaderSize);
    Put(h + kMagicAt, kMagic, 4);
    Put(h + kRunAt, s.runId, 8);
    Put(h + kClientAt, s.clientId, 4);
    Put(h + kSerialAt, s.fileSerial, 4);
    Put(h + kOffsetAt, s.offset, 8);
    Put(h + kGenerationAt, s.generation, 4);
    Put(h + kCrcAt, Crc32c(h + kCheckedFrom, StampedBlock::kHeaderSize - kCheckedFrom), 4);
}

uint64_t Mix(uint64_t x) {
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// The payload is a fixed table of random words, each XORed with a key drawn
// from the stamp: blocks of two stamps differ in every word, and making or
// checking one costs a load, an XOR and a store or compare per 32 bytes.
using Lanes = uint64_t __attribute__((vector_size(32)));
constexpr uint32_t kStep = sizeof(Lanes);
constexpr uint32_t kPayload = StampedBlock::kSize - StampedBlock::kHeaderSize;
static_assert(kPayload % kStep == 0);

const Lanes* Table() {
    static const std::array<Lanes, kPayload / kStep> table = [] {
        std::array<Lanes, kPayload / kStep> t;
        uint64_t x = 0x5DEECE66Dull;
        for (Lanes& words : t) {
            for (int lane = 0; lane < 4; ++lane) words[lane] = Mix(x += 0x9E3779B97F4A7C15ull);
        }
        return t;
    }();
    return table.data();
}

uint64_t Key(const BlockStamp& s) {
    const uint64_t file = Mix(s.runId ^ Mix(s.clientId ^ (uint64_t{s.fileSerial} << 32)));
    return Mix(file ^ Mix(s.offset ^ (uint64_t{s.generation} << 48)));
}

// The loops are compiled twice: twice as wide where the processor has AVX2.
// Chosen at the first call rather than by the loader, which would run the
// choice before a sanitizer's runtime is there.
bool HasAvx2() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}

[[gnu::always_inline]] inline void FillLoop(uint64_t key, unsigned char* out, uint32_t length) {
    const Lanes keys = {key, key, key, key};
    const Lanes* table = Table();
    uint32_t done = 0;
    for (; done + kStep <= length; done += kStep) {
        const Lanes word = table[done / kStep] ^ keys;
        std::memcpy(out + done, &word, kStep);
    }
    if (done < length) {
        const Lanes word = table[done / kStep] ^ keys;
        std::memcpy(out + done, &word, length - done);
    }
}

[[gnu::always_inline]] inline bool HoldsLoop(uint64_t key, const unsigned char* payload) {
    const Lanes keys = {key, key, key, key};
    const Lanes* table = Table();
    Lanes differ = {0, 0, 0, 0};
    for (uint32_t done = 0; done < kPayload; done += kStep) {
        Lanes word;
        std::memcpy(&word, payload + done, kStep);
        differ |= word ^ table[done / kStep] ^ keys;
    }
    return (differ[0] | differ[1] | differ[2] | differ[3]) == 0;
}

[[gnu::target("avx2")]] void FillWide(uint64_t key, unsigned char* out, uint32_t length) {
    FillLoop(key, out, length);
}
void FillNarrow(uint64_t key, unsigned char* out, uint32_t length) { FillLoop(key, out, length); }
[[gnu::target("avx2")]] bool HoldsWide(uint64_t key, const unsigned char* payload) {
    return HoldsLoop(key, payload);
}
bool HoldsNarrow(uint64_t key, const unsigned char* payload) { return HoldsLoop(key, payload); }

}  // namespace

void StampedBlock::Fill(const BlockStamp& stamp, unsigned char* out, uint32_t length) {
    length = std::min(length, kSize);
    unsigned char header[kHeaderSize];
    PutHeader(stamp, header);
    std::memcpy(out, header, std::min(length, kHeaderSize));
    if (length <= kHeaderSize) return;
    (HasAvx2() ? FillWide : FillNarrow)(Key(stamp), out + kHeaderSize, length - kHeaderSize);
}

bool StampedBlock::Holds(const BlockStamp& stamp, const unsigned char* block) {
    unsigned char header[kHeaderSize];
    PutHeader(stamp, header);
    return std::memcmp(header, block, kHeaderSize) == 0 &&
           (HasAvx2() ? HoldsWide : HoldsNarrow)(Key(stamp), block + kHeaderSize);
}

bool StampedBlock::ReadStamp(const unsigned char* block, uint32_t length, BlockStamp* stamp) {
    if (length < kHeaderSize || Get(block + kMagicAt, 4) != kMagic ||
        Get(block + kCrcAt, 4) != Crc32c(block + kCheckedFrom, kHeaderSize - kCheckedFrom)) {
        return false;
    }
    stamp->runId = Get(block + kRunAt, 8);
    stamp->clientId = static_cast<uint32_t>(Get(block + kClientAt, 4));
    stamp->fileSerial = static_cast<uint32_t>(Get(block + kSerialAt, 4));
    stamp->offset = Get(block + kOffsetAt, 8);
    stamp->generation = static_cast<uint32_t>(Get(block + kGenerationAt, 4));
    return true;
}

uint64_t StampedBlock::ThisRun() {
    static const uint64_t run = [] {
        std::random_device device;
        return (uint64_t{device()} << 32) | device();
    }();
    return run;
}

uint32_t StampedBlock::ThisClient() {
    static const uint32_t client = [] {
        const std::string name = platform::Host::Name();
        return Crc32c(name.data(), name.size());
    }();
    return client;
}
