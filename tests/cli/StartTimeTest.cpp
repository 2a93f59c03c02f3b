#include "cli/StartTime.h"

#include <gtest/gtest.h>
#include <time.h>

#include <cstdlib>
#include <utility>

// 2026-12-06T21:30:00Z is 1796592600 s after 1970. A time without an offset is
// local: here a zone three hours ahead of UTC.
TEST(StartTimeTest, ReadsIsoTimesAndEpochSeconds) {
    setenv("TZ", "XYZ-3", 1);
    tzset();
    const int64_t at = 1796592600000;
    const std::pair<const char*, int64_t> accepted[] = {
        {"2026-12-06T21:30:00Z", at},
        {"2026-12-06T22:30:00+01:00", at},
        {"2026-12-06T16:00:00-0530", at},
        {"2026-12-06T23:30+02", at},
        {"2026-12-07T00:30:00", at},
        {"2026-12-07 00:30:00.25", at + 250},
        {"2024-02-29T07:00:00.123456Z", 1709190000123},
        {"1796592600", at},
        {"1796592600.5", at + 500},
        {"0", 0},
    };
    for (const auto& [text, expected] : accepted) {
        int64_t ms = -1;
        EXPECT_TRUE(StartTime::Parse(text, &ms) && ms == expected) << text << " → " << ms;
    }
    for (const char* text : {"", "now", "2026-02-29T10:00:00Z", "2026-12-06",
                             "2026-12-06T24:00:00Z", "2026-12-06T10:60Z", "2026-12-06T10:00:61Z",
                             "2026-12-06T10:00:00+01:", "2026-12-06T10:00:00+2400",
                             "2026-12-06T10:00:00Zz", "2026-12-06T10:00:00.Z", "26-12-06T10:00Z",
                             "1796592600.", "-5", "1e9", "9999999999999"}) {
        int64_t ms = 0;
        EXPECT_FALSE(StartTime::Parse(text, &ms)) << text;
    }
}
