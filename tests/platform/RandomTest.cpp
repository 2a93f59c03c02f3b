#include "platform/Random.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using platform::Random;

namespace {
std::vector<int> Draw(int n) {
    std::vector<int> v;
    for (int i = 0; i < n; ++i) v.push_back(Random::Next());
    return v;
}
}  // namespace

TEST(RandomTest, EachNewThreadStartsTheSequenceOfSeedOne) {
    std::vector<int> a, b;
    std::thread([&] { a = Draw(5); }).join();
    std::thread([&] { b = Draw(5); }).join();
    // The first values of the reference generator from seed 1.
    EXPECT_EQ(a, (std::vector<int>{41, 18467, 6334, 26500, 19169}));
    EXPECT_EQ(a, b);
}

TEST(RandomTest, ValuesStayWithinFifteenBitsAndTheSequenceGoesOn) {
    std::vector<int> first, second;
    std::thread([&] {
        first = Draw(1000);
        second = Draw(1000);
    }).join();
    EXPECT_NE(first, second);
    for (int v : first) {
        EXPECT_GE(v, 0);
        EXPECT_LE(v, 32767);
    }
}
