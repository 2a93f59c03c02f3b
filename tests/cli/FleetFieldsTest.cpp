#include <gtest/gtest.h>

#include "report/result/ClientLabel.h"
#include "report/result/ShareSeries.h"

// Labels a person reads as one are one; labels that would fake or cut a
// line of the merged text, or a field of it, are refused.
TEST(FleetFieldsTest, LabelsThatReadAsOneAreOne) {
    const auto key = [](const std::string& label) {
        std::string k, why;
        return ClientLabel::Key(label, &k, &why) ? k : "refused: " + why;
    };
    const std::pair<const char*, const char*> same[] = {
        {"poste-a", "POSTE-A"},
        {"poste-a", " poste-a\u3000"},
        {"poste-a", "poste-\u0430"},
        {"poste-a", "ｐｏｓｔｅ-ａ"},
        {"\u00e9t\u00e9", "e\u0301te\u0301"},
    };
    for (const auto& [a, b] : same) {
        EXPECT_EQ(key(a), key(b)) << a << " / " << b;
        EXPECT_FALSE(key(a).starts_with("refused")) << a;
    }
    EXPECT_NE(key("poste-1"), key("poste-2"));
    for (const std::string& bad : std::vector<std::string>{
             "a\nb", std::string("a\0b", 3), "\x1b[2J", "", "  ", "a\xff", "a\u202eb",
             "B | Résultat : ok", "a\u2192b", "a\uff5cb", "a\u2223b", "a\u2502b"}) {
        EXPECT_TRUE(key(bad).starts_with("refused")) << bad;
    }
}

// Second by second, then coarser past kMaxPoints without losing a byte; the
// longest silence of the share seen counts until the tests are asked to
// stop, and what its points show of it is never more; a stretch nobody
// looked at is no silence.
TEST(FleetFieldsTest, TheShareCourseKeepsEveryByteAndTheLongestSilence) {
    ShareSeries s;
    s.Sample(500, 10, 5, 25, 0);
    s.Sample(1500, 30, 5, 70, 2);
    for (uint32_t ms = 1700; ms < 9500; ms += 200)
        s.Sample(ms, 30, 5, 70, 1);  // 8 s without a byte
    s.Sample(9500, 40, 6, 90, 1);
    s.Sample(19500, 50, 6, 110, 1, true);  // 10 s nobody looked at
    s.Stop(19600);
    s.Sample(40000, 50, 6, 110, 0);  // quiet once stopping: not silence
    EXPECT_EQ(s.LongestIdleMs(), 8000u);
    ResultSeries r{s.IntervalMs(), {}, {}, {}, s.Gaps(), s.StoppedMs(), {}};
    for (const ShareSeries::Point& p : s.Points()) {
        r.written.push_back(p.written);
        r.read.push_back(p.read);
    }
    EXPECT_EQ(ShareSeries::SilentMs(r), 7000u);  // the whole points of those 8 s
    EXPECT_EQ(ShareSeries::LongestGapMs(r), 10000u);
    ASSERT_EQ(s.Points().size(), 41u);
    EXPECT_EQ(s.Points()[1].written, 20u);
    EXPECT_EQ(s.Points()[1].waiting, 2u);
    EXPECT_EQ(s.Points()[1].total, 45u);  // every test's bytes, the share's and the rest
    s.Sample(ShareSeries::kMaxPoints * 1000 + 10, 100, 6, 200, 0);
    EXPECT_EQ(s.IntervalMs(), 2000u);
    ASSERT_EQ(s.Points().size(), ShareSeries::kMaxPoints / 2 + 1);
    uint64_t written = 0, total = 0;
    for (const ShareSeries::Point& p : s.Points()) written += p.written, total += p.total;
    EXPECT_EQ(written, 100u);
    EXPECT_EQ(total, 200u);
    EXPECT_EQ(s.Points()[0].written, 30u);
    EXPECT_EQ(s.Points()[0].total, 70u);
    EXPECT_EQ(s.Points()[0].waiting, 2u);
}
