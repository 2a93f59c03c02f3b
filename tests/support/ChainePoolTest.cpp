#include "support/ChainePool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <thread>
#include <vector>

#include "support/Chaine.h"

TEST(ChainePoolTest, BlocksAreDistinctAndReused) {
    ChainePool& pool = ChainePool::Instance();
    std::set<void*> seen;
    std::vector<void*> blocks;
    for (std::size_t i = 0; i < 3 * ChainePool::kBlocksPerChunk; ++i) {
        void* b = pool.Allocate();
        ASSERT_NE(b, nullptr);
        EXPECT_TRUE(seen.insert(b).second);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(b) % 4, 0u) << "the header needs 32-bit alignment";
        blocks.push_back(b);
    }
    void* last = blocks.back();
    pool.Free(last);
    EXPECT_EQ(pool.Allocate(), last);
    for (void* b : blocks) pool.Free(b);
}

TEST(ChainePoolTest, ManyThreadsCreateAndReleaseAtOnce) {
    std::vector<std::thread> threads;
    std::vector<int> failures(10, 0);
    for (int t = 0; t < 10; ++t) {
        threads.emplace_back([t, &failures] {
            std::vector<Chaine> kept;
            for (int i = 0; i < 5000; ++i) {
                Chaine s;
                s.Format("thread %d item %d", t, i);
                kept.push_back(s);
                if (kept.size() > 64) kept.erase(kept.begin(), kept.begin() + 32);
                Chaine check;
                check.Format("thread %d item %d", t, i);
                if (!(kept.back() == check)) ++failures[t];
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int f : failures) EXPECT_EQ(f, 0);
}
