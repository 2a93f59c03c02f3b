#include "support/PTableau.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(PTableauTest, ElementsNeverMoveWhileTheArrayGrows) {
    PTableau<std::string> t;
    t.Add("first");
    const std::string* first = &t[0];
    std::vector<const std::string*> addresses;
    for (int i = 0; i < 5000; ++i) {
        t.Add(std::to_string(i));
        addresses.push_back(&t[t.GetCount() - 1]);
    }
    EXPECT_EQ(&t[0], first);
    EXPECT_EQ(*first, "first");
    for (int i = 0; i < 5000; ++i) EXPECT_EQ(&t[i + 1], addresses[i]);
}

TEST(PTableauTest, RemovedSlotsAreReusedAndOrderIsKept) {
    PTableau<std::string> t;
    for (const char* s : {"a", "b", "c"}) t.Add(s);
    const std::string* slotOfB = &t[1];
    t.RemoveAt(1);
    ASSERT_EQ(t.GetCount(), 2u);
    EXPECT_EQ(t[0], "a");
    EXPECT_EQ(t[1], "c");
    t.Add("d");
    EXPECT_EQ(&t[2], slotOfB);
    EXPECT_EQ(t[2], "d");
    t.RemoveAll();
    EXPECT_EQ(t.GetCount(), 0u);
    t.Add("e");
    EXPECT_EQ(t[0], "e");
}

TEST(PTableauTest, IndexGrowsByTheDefaultSteps) {
    PTableau<int> t;
    std::vector<std::size_t> capacities;
    for (int i = 0; i < 60; ++i) {
        if (t.GetCount() == t.GetCapacity()) capacities.push_back(t.GetCapacity());
        t.Add(i);
    }
    // 4 at a time up to 32, then count / 8.
    EXPECT_EQ(capacities,
              (std::vector<std::size_t>{0, 4, 8, 12, 16, 20, 24, 28, 32, 36, 40, 45, 50, 56}));
    PTableau<int> stepped(100);
    stepped.Add(1);
    EXPECT_EQ(stepped.GetCapacity(), 100u);
}
