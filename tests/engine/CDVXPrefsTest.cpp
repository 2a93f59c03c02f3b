#include "engine/CDVXPrefs.h"

#include <gtest/gtest.h>

TEST(CDVXPrefsTest, DefaultsAndTheLimitsOfTheSetters) {
    CDVXPrefs prefs;
    EXPECT_TRUE(prefs.GetDirectory().IsEmpty());
    EXPECT_EQ(prefs.diskSpaceMb, 30u);
    EXPECT_EQ(prefs.simultaneousTests, 1u);
    EXPECT_EQ(prefs.durationMinutes, 5u);
    EXPECT_EQ(prefs.threadPriority, -1);

    const std::pair<uint32_t, uint32_t> sets[] = {{0, 1}, {1, 1}, {2, 2},   {3, 3},
                                                  {4, 4}, {5, 5}, {100, 5}, {0xFFFFFFFF, 5}};
    for (auto [in, out] : sets) {
        prefs.SetSimultaneousTests(in);
        EXPECT_EQ(prefs.simultaneousTests, out) << in;
    }
    const std::pair<uint32_t, uint32_t> space[] = {
        {0, 10}, {9, 10}, {10, 10}, {40000, 40000}, {0x80000000u, 0x80000000u}};
    for (auto [in, out] : space) {
        prefs.SetDiskSpaceMb(in);
        EXPECT_EQ(prefs.diskSpaceMb, out) << in;
    }
    prefs.SetDurationMinutes(0);
    EXPECT_EQ(prefs.durationMinutes, 3u);
    prefs.SetDurationMinutes(CDVXPrefs::UntilStopped);
    EXPECT_EQ(prefs.durationMinutes, 2147483647u);
    prefs.SetThreadPriority(0);
    EXPECT_EQ(prefs.threadPriority, 0);
    prefs.SetDirectory(Chaine("\\\\server\\share"));
    EXPECT_EQ(prefs.GetDirectory(), "\\\\server\\share");
}
