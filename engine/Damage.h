#pragma once
#include <cstdint>

struct BlockStamp;

// What kind of damage a test found in data read back, from the bytes alone:
// what came back instead of what was written. Plain value; any thread.
struct Damage {
    enum Kind : int32_t {
        kNone = 0,
        kZeros = 1,         // `count` bytes of zeros where data were expected
        kOtherWrite = 2,    // the right block from the file's write `count`, not `expected`
        kOtherPlace = 3,    // a block of the same file, written at `where`
        kOtherFile = 4,     // a block of file `file` of this client, written at `where`
        kOtherClient = 5,   // a block of a file of another client, or of another run
        kFlippedBits = 6,   // the right bytes but for `count` flipped bits
        kForeignBytes = 7,  // bytes that no test of the program wrote there
        kShiftedCopy = 8,   // the test's own data due `where` bytes further (back if negative)
        kEndMissing = 9,    // the file ends `count` bytes early
        kEndExtra = 10,     // the file goes on `count` bytes past its end
        kCutNotMade = 11,   // the block as it was before the file was cut inside it
        kOtherTestData = 12,  // bytes drawn by the program's generator: another test file's
    };
    // Up to this many bits flipped read as flipped bits, not foreign bytes.
    static constexpr uint64_t kMostFlippedBits = 16;

    int32_t kind = kNone;
    int64_t where = 0;
    uint64_t count = 0;
    uint32_t file = 0;
    uint32_t expected = 0;

    bool operator==(const Damage&) const = default;

    // `length` bytes read where `expected` was due: the block of the tests
    // that change files that `stamp` stands for (its generation 0 where
    // zeros were due).
    static Damage InBlock(const BlockStamp& stamp, const unsigned char* expected,
                          const unsigned char* read, uint32_t length);
    // `length` bytes read where the start of `pattern` was due, the data of
    // a test that writes one pattern over and over; `filePos` is where they
    // were read.
    static Damage InPattern(const unsigned char* pattern, uint32_t patternSize,
                            const unsigned char* read, uint32_t length, uint64_t filePos);
};
