#include "engine/Damage.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/StampedBlock.h"
#include "platform/Random.h"

namespace {

// The bytes that differ, from the first to the last.
struct Span {
    uint32_t first = 0;
    uint32_t end = 0;
};

Span Differing(const unsigned char* expected, const unsigned char* read, uint32_t length) {
    Span s;
    while (s.first < length && expected[s.first] == read[s.first]) ++s.first;
    s.end = length;
    while (s.end > s.first && expected[s.end - 1] == read[s.end - 1]) --s.end;
    return s;
}

bool AllZero(const unsigned char* p, uint32_t length) {
    return std::all_of(p, p + length, [](unsigned char b) { return b == 0; });
}

uint64_t FlippedBits(const unsigned char* expected, const unsigned char* read, Span s) {
    uint64_t bits = 0;
    for (uint32_t i = s.first; i < s.end && bits <= Damage::kMostFlippedBits; ++i) {
        bits += static_cast<uint64_t>(__builtin_popcount(expected[i] ^ read[i]));
    }
    return bits;
}

// What a block of the tests that change files found where `expected` was due
// says about itself, when its bytes are those its header stands for.
bool FromStamp(const BlockStamp* expected, const unsigned char* read, uint32_t length, Damage* d) {
    // `expected` null: any block of the tests is another file's.
    BlockStamp found;
    if (!StampedBlock::ReadStamp(read, length, &found)) return false;
    unsigned char block[StampedBlock::kSize];
    StampedBlock::Fill(found, block, length);
    if (std::memcmp(block, read, length) != 0) return false;
    d->where = static_cast<int64_t>(found.offset);  // but for another write of the block
    // The run and client the block was due from: this one's, unless a later
    // check reads what an earlier run kept.
    const uint64_t run = expected ? expected->runId : StampedBlock::ThisRun();
    const uint32_t client = expected ? expected->clientId : StampedBlock::ThisClient();
    if (found.runId != run || found.clientId != client) {
        d->kind = Damage::kOtherClient;
    } else if (!expected || !found.SameFile(*expected)) {
        d->kind = Damage::kOtherFile, d->file = found.fileSerial;
    } else if (found.offset != expected->offset) {
        d->kind = Damage::kOtherPlace;
    } else if (found == *expected || expected->generation == 0) {
        // Bytes the file had where it was cut: whole, or past its end since.
        d->kind = Damage::kCutNotMade, d->where = 0;
    } else {
        d->kind = Damage::kOtherWrite, d->count = found.generation, d->where = 0;
        d->expected = expected->generation;
    }
    return true;
}

// The first stamped block read in `read`, at a 4 KiB boundary of its file.
bool StampInside(const unsigned char* read, Span s, uint64_t filePos, Damage* d) {
    const uint64_t first = filePos + s.first;
    for (uint64_t at =
             (first + StampedBlock::kSize - 1) / StampedBlock::kSize * StampedBlock::kSize;
         at + StampedBlock::kHeaderSize <= filePos + s.end; at += StampedBlock::kSize) {
        const auto i = static_cast<uint32_t>(at - filePos);
        const uint32_t length = std::min(StampedBlock::kSize, s.end - i);
        if (FromStamp(nullptr, read + i, length, d)) return true;
    }
    return false;
}

// Whether the 16 bytes at `p` are consecutive bytes of the generator the
// random data are drawn with, from some state: another test file's data.
// Each byte leaves about 128 of the 32768 draws that could give it; the
// state's other 17 bits are tried for the first, and the next bytes weed
// the candidates out.
bool DrawnByTheProgram(const unsigned char* p) {
    constexpr int kBytes = 16;
    const auto byteOf = [](uint32_t state) {
        const uint32_t scaled = ((state >> 16) & 0x7FFF) * 255;
        return static_cast<unsigned char>((scaled + (scaled >> 15) + 1) >> 15);
    };
    for (uint32_t draw = 0; draw < 0x8000; ++draw) {
        if (byteOf(draw << 16) != p[0]) continue;
        for (uint32_t rest = 0; rest < 0x20000; ++rest) {
            uint32_t state = (draw << 16) | ((rest & 0x10000) << 15) | (rest & 0xFFFF);
            int k = 1;
            while (k < kBytes && byteOf(state = platform::Random::Step(state)) == p[k]) ++k;
            if (k == kBytes) return true;
        }
    }
    return false;
}

// The pattern's own bytes, but from another place of it: the distance.
bool ShiftedCopy(const unsigned char* pattern, uint32_t size, const unsigned char* read, Span s,
                 int64_t* distance) {
    constexpr uint32_t kProbe = 32;
    if (s.end - s.first < kProbe || size < kProbe) return false;
    const unsigned char* probe = read + s.first;
    for (uint32_t j = 0; j < size; ++j) {
        if (j == s.first % size) continue;
        uint32_t k = 0;
        while (k < kProbe && pattern[(j + k) % size] == probe[k]) ++k;
        if (k == kProbe) {
            // The pattern repeats: the nearest place it came from.
            int64_t d = int64_t{j} - int64_t{s.first % size};
            if (d > int64_t{size} / 2) d -= size;
            if (d <= -int64_t{size} / 2) d += size;
            *distance = d;
            return true;
        }
    }
    return false;
}

}  // namespace

Damage Damage::InBlock(const BlockStamp& stamp, const unsigned char* expected,
                       const unsigned char* read, uint32_t length) {
    Damage d;
    const Span s = Differing(expected, read, length);
    if (s.first == s.end) return d;
    if (AllZero(read + s.first, s.end - s.first)) {
        d.kind = kZeros, d.count = s.end - s.first;
    } else if (FromStamp(&stamp, read, length, &d)) {
    } else if (const uint64_t bits = FlippedBits(expected, read, s); bits <= kMostFlippedBits) {
        d.kind = kFlippedBits, d.count = bits;
    } else if (s.end - s.first >= 16 && DrawnByTheProgram(read + s.first)) {
        d.kind = kOtherTestData;
    } else {
        d.kind = kForeignBytes;
    }
    return d;
}

Damage Damage::InPattern(const unsigned char* pattern, uint32_t patternSize,
                         const unsigned char* read, uint32_t length, uint64_t filePos) {
    Damage d;
    const auto expected = std::make_unique_for_overwrite<unsigned char[]>(length);
    for (uint32_t i = 0; i < length; i += patternSize) {
        std::memcpy(expected.get() + i, pattern, std::min(patternSize, length - i));
    }
    const Span s = Differing(expected.get(), read, length);
    if (s.first == s.end) return d;
    if (AllZero(read + s.first, s.end - s.first)) {
        d.kind = kZeros, d.count = s.end - s.first;
    } else if (const uint64_t bits = FlippedBits(expected.get(), read, s);
               bits <= kMostFlippedBits) {
        d.kind = kFlippedBits, d.count = bits;
    } else if (StampInside(read, s, filePos, &d)) {
    } else if (ShiftedCopy(pattern, patternSize, read, s, &d.where)) {
        d.kind = kShiftedCopy;
    } else if (s.end - s.first >= 16 && DrawnByTheProgram(read + s.first)) {
        d.kind = kOtherTestData;
    } else {
        d.kind = kForeignBytes;
    }
    return d;
}
