#include "engine/CDVXRandomThread.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "engine/CDVXFillZeroThread.h"

namespace {

std::vector<unsigned char> Block(CDVXThreadWithBuffer& t, uint32_t size) {
    std::vector<unsigned char> b(size, 0xEE);
    t.FillBuffer(b.data());
    return b;
}

}  // namespace

TEST(CDVXRandomThreadTest, FreshThreadsDrawTheSameBlocksAndCyclesDiffer) {
    std::vector<unsigned char> a1, a2, b1;
    std::thread([&] {
        CDVXRandomThread t(true);
        a1 = Block(t, CDVXRandomThread::kBlockSize);
        a2 = Block(t, CDVXRandomThread::kBlockSize);
    }).join();
    std::thread([&] {
        CDVXRandomThread t(false);
        b1 = Block(t, CDVXRandomThread::kBlockSize);
    }).join();
    EXPECT_EQ(a1, b1);
    EXPECT_NE(a1, a2);
    // draw * 255 / 32767 of the generator's first values 41, 18467, 6334, 26500.
    EXPECT_EQ(a1[0], 0);
    EXPECT_EQ(a1[1], 143);
    EXPECT_EQ(a1[2], 49);
    EXPECT_EQ(a1[3], 206);
}

TEST(CDVXRandomThreadTest, TheZeroBlockIsAllZeros) {
    CDVXFillZeroThread t(true);
    const auto b = Block(t, CDVXFillZeroThread::kBlockSize);
    EXPECT_EQ(b, std::vector<unsigned char>(65536, 0));
}
