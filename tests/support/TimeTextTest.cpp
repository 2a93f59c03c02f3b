#include "support/TimeText.h"

#include <gtest/gtest.h>

#include "tests/Printers.h"

#include <climits>

TEST(TimeTextTest, DurationWords) {
    const std::pair<int32_t, const char*> cases[] = {
        {0, "inconnu"},
        {400, "0 seconde"},
        {499, "0 seconde"},
        {500, "1 seconde"},
        {1000, "1 seconde"},
        {2500, "3 secondes"},
        {59999, "1 minute 0 seconde"},
        {125000, "2 minutes 5 secondes"},
        {3599499, "59 minutes 59 secondes"},
        {3600000, "1 heure 0 minute"},
        {7320000, "2 heures 2 minutes"},
        {86400000, "1 jour 0 heure"},
        {90000000, "1 jour 1 heure"},
        {INT32_MAX, "24 jours 20 heures"},
    };
    for (const auto& [ms, text] : cases) EXPECT_EQ(FormatDurationWords(ms), text) << ms;
}

TEST(TimeTextTest, TimeOfDayInItsFourModes) {
    platform::SystemTime st;
    st.hour = 9, st.minute = 5, st.second = 7, st.milliseconds = 999;
    const TimeOfDay t = TimeOfDay::FromSystemTime(st);
    EXPECT_EQ(t.hundredths, 99);
    EXPECT_TRUE(t.IsValid());
    EXPECT_EQ(FormatTimeOfDay(t, 1, ':'), "09:05");
    EXPECT_EQ(FormatTimeOfDay(t, 2, ':'), "0905");
    EXPECT_EQ(FormatTimeOfDay(t, 3, ':'), "09:05:07");
    EXPECT_EQ(FormatTimeOfDay(t, 4, ':'), "090507");
    EXPECT_TRUE(FormatTimeOfDay(t, 0, ':').IsEmpty());
    EXPECT_TRUE(FormatTimeOfDay(t, 5, ':').IsEmpty());
    EXPECT_FALSE((TimeOfDay{0, 0, 60, 0}).IsValid());
    EXPECT_FALSE((TimeOfDay{0, 0, 0, 24}).IsValid());
}
