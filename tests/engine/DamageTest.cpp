// What came back instead of the data written, told from the bytes alone:
// for the stamped blocks of the tests that change files, and for the one
// pattern of the other tests.
#include "engine/Damage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "engine/CDVXRandomThread.h"
#include "engine/StampedBlock.h"
#include "platform/Random.h"
#include "support/Crc32c.h"
#include "tests/Failures.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr uint32_t kBlock = StampedBlock::kSize;

Bytes Block(const BlockStamp& s, uint32_t length = kBlock) {
    Bytes b(length);
    StampedBlock::Fill(s, b.data(), length);
    return b;
}

BlockStamp Mine(uint32_t serial, uint64_t offset, uint32_t generation) {
    return {StampedBlock::ThisRun(), StampedBlock::ThisClient(), serial, offset, generation};
}

// Bytes of no pattern, none of them zero.
Bytes Junk(uint32_t length, unsigned seed) {
    std::minstd_rand draws(seed);
    Bytes b(length);
    for (unsigned char& c : b) c = static_cast<unsigned char>(draws() | 1);
    return b;
}

}  // namespace

TEST(StampedBlockTest, StampsReadBackOnlyFromWholeIntactHeaders) {
    EXPECT_EQ(Crc32c("123456789", 9), 0xE3069283u);  // the check value of CRC-32C
    const BlockStamp s = Mine(7, 3 * kBlock, 2);
    Bytes b = Block(s);
    BlockStamp read;
    ASSERT_TRUE(StampedBlock::ReadStamp(b.data(), kBlock, &read));
    EXPECT_EQ(read, s);
    // A block cut short is the start of the whole one.
    EXPECT_EQ(Block(s, 100), Bytes(b.begin(), b.begin() + 100));
    EXPECT_FALSE(StampedBlock::ReadStamp(b.data(), StampedBlock::kHeaderSize - 1, &read));
    b[20] ^= 0x10;  // in the stamp: the checksum no longer holds
    EXPECT_FALSE(StampedBlock::ReadStamp(b.data(), kBlock, &read));
    // Any field changes the payload, not only the header.
    const Bytes other = Block(Mine(7, 3 * kBlock, 3));
    EXPECT_NE(std::memcmp(other.data() + 64, Block(s).data() + 64, kBlock - 64), 0);
}

TEST(DamageTest, ABadStampedBlockIsNamed) {
    const BlockStamp due = Mine(7, 2 * kBlock, 2);
    const Bytes expected = Block(due);
    const auto flipped = [&](std::initializer_list<uint32_t> bits) {
        Bytes b = expected;
        for (uint32_t bit : bits) b[bit / 8] ^= static_cast<unsigned char>(1 << bit % 8);
        return b;
    };
    BlockStamp foreignRun = due;
    ++foreignRun.runId;
    const struct {
        const char* what;
        Bytes read;
        Damage damage;
    } cases[] = {
        {"the right block", expected, {}},
        {"zeros", Bytes(kBlock), {.kind = Damage::kZeros, .count = kBlock}},
        {"zeros from the middle on",
         [&] {
             Bytes b = expected;
             std::memset(b.data() + 1000, 0, kBlock - 1000);
             return b;
         }(),
         {.kind = Damage::kZeros, .count = kBlock - 1000}},
        {"the write before",
         Block(Mine(7, 2 * kBlock, 1)),
         {.kind = Damage::kOtherWrite, .count = 1, .expected = 2}},
        {"another place of the file",
         Block(Mine(7, 5 * kBlock, 1)),
         {.kind = Damage::kOtherPlace, .where = 5 * kBlock}},
        {"another file",
         Block(Mine(9, kBlock, 4)),
         {.kind = Damage::kOtherFile, .where = kBlock, .file = 9}},
        {"another run", Block(foreignRun), {.kind = Damage::kOtherClient, .where = 2 * kBlock}},
        {"bits in the data",
         flipped({800, 9000, 30001}),
         {.kind = Damage::kFlippedBits, .count = 3}},
        {"a bit in the header", flipped({8 * 21}), {.kind = Damage::kFlippedBits, .count = 1}},
        {"foreign bytes", Junk(kBlock, 77), {.kind = Damage::kForeignBytes}},
    };
    // What InBlock finds in `read` where `stamp`, written as `due`, was expected.
    const auto found = [](const BlockStamp& stamp, const Bytes& due, const Bytes& read) {
        return Damage::InBlock(stamp, due.data(), read.data(), kBlock);
    };
    for (const auto& c : cases) EXPECT_EQ(found(due, expected, c.read), c.damage) << c.what;
    // Cut inside the block, the block whole is the cut not made.
    Bytes cut = Block(due, 1000);
    cut.resize(kBlock);
    EXPECT_EQ(found(due, cut, expected), Damage{.kind = Damage::kCutNotMade});
    // Where zeros were due (the file cut, then extended): its own old block
    // is the cut not made, another file's block that file's.
    const Bytes zeros(kBlock);
    const BlockStamp hole = Mine(7, 2 * kBlock, 0);
    EXPECT_EQ(found(hole, zeros, Block(Mine(7, 2 * kBlock, 1))),
              Damage{.kind = Damage::kCutNotMade});
    EXPECT_EQ(found(hole, zeros, Block(Mine(11, 0, 1))),
              (Damage{.kind = Damage::kOtherFile, .where = 0, .file = 11}));
    // A file an earlier run kept, checked by this one: its blocks are that run's.
    BlockStamp kept = foreignRun;
    kept.generation = 3;
    EXPECT_EQ(found(kept, Block(kept), Block(foreignRun)),
              (Damage{.kind = Damage::kOtherWrite, .count = 2, .expected = 3}));
}

TEST(DamageTest, ABadPieceOfPatternIsNamed) {
    constexpr uint32_t kPattern = 58997;  // the random kind's prime block
    const Bytes pattern = Junk(kPattern, 2654435761u);
    const auto with = [&](const std::function<void(Bytes&)>& change) {
        Bytes b = pattern;
        change(b);
        return b;
    };
    const struct {
        const char* what;
        Bytes read;
        uint64_t filePos;
        Damage damage;
    } cases[] = {
        {"a page of zeros",
         with([](Bytes& b) { std::memset(b.data() + 8192, 0, 4096); }),
         0,
         {.kind = Damage::kZeros, .count = 4096}},
        {"two flipped bits",
         with([](Bytes& b) { b[10] ^= 1, b[500] ^= 0x80; }),
         0,
         {.kind = Damage::kFlippedBits, .count = 2}},
        {"the pattern from 4096 bytes further",
         with([&](Bytes& b) { std::memcpy(b.data() + 100, pattern.data() + 4196, 5000); }),
         0,
         {.kind = Damage::kShiftedCopy, .where = 4096}},
        {"a stamped block at a page of the file",
         with([](Bytes& b) {
             const Bytes s = Block(Mine(3, 8 * kBlock, 1));
             std::memcpy(b.data() + 2 * kBlock - 1000, s.data(), kBlock);
         }),
         1000,
         {.kind = Damage::kOtherFile, .where = 8 * kBlock, .file = 3}},
        {"foreign bytes",
         with([](Bytes& b) { std::memcpy(b.data() + 300, Junk(600, 5).data(), 600); }),
         0,
         {.kind = Damage::kForeignBytes}},
        {"another random test's data",
         with([](Bytes& b) {
             const uint32_t state = platform::Random::GetState();
             platform::Random::SetState(12345);
             CDVXRandomThread::FillRandom(b.data() + 300, 600);
             platform::Random::SetState(state);
         }),
         0,
         {.kind = Damage::kOtherTestData}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Damage::InPattern(pattern.data(), kPattern, c.read.data(), kPattern, c.filePos),
                  c.damage)
            << c.what;
    }
}
