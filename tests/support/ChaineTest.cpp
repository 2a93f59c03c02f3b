#include "support/Chaine.h"
#include "support/ChainePool.h"
#include "support/PTableau.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "support/Chaine.h"
#include "tests/Printers.h"

TEST(ChaineTest, ACopyIsIsolatedFromEveryChangeToTheOther) {
    const Chaine a("report");
    Chaine b = a, c = a, d = a, e = a;
    b += " 2";
    c.SetAt(0, 'R');
    d.ReplaceChar('r', 'x');
    e.ReplaceAll(Chaine("port"), Chaine("PORT"), false);  // same length: in place
    EXPECT_EQ(a + "|" + b + "|" + c + "|" + d + "|" + e, "report|report 2|Report|xepoxt|rePORT");
    const Chaine f = a.PrivateCopy();
    EXPECT_NE(f.c_str(), a.c_str()) << "a private copy shares no block";
    EXPECT_EQ(f, a);
}

TEST(ChaineTest, AppendingAPartOfItself) {
    Chaine s(std::string(300, 'x') + "END");
    s.Append(s.c_str() + 300, 3);  // frees the heap block it reads from, unless kept
    EXPECT_EQ(s.View().substr(300), "ENDEND");
    const Chaine shared = s;
    s += s;
    EXPECT_EQ(s, shared + shared);
}

TEST(ChaineTest, FormatMeasuresBeforePrinting) {
    Chaine s;
    EXPECT_EQ(s.Format("%I64d|%I64x|%I32d|100%%", int64_t{-5}, uint64_t{255}, 7), "-5|ff|7|100%");
    EXPECT_EQ(s.Format("%*d|%-*s|", 300, 1, 2, "a").GetLength(), 304u);
    EXPECT_EQ(s.Format("%f", 1e300).GetLength(), 308u);  // 301 digits, point, 6 decimals
    EXPECT_EQ(s.Format("%s", std::string(100000, 'q').c_str()).GetLength(), 100000u);
    Chaine self("me");
    EXPECT_EQ(self.Format("%s and %s", self.c_str(), self.c_str()), "me and me");
}

// {text, find, replacement, ignore case, result}, in UTF-8 here.
TEST(ChaineTest, ReplaceAll) {
    const std::tuple<const char*, const char*, const char*, bool, const char*> cases[] = {
        {"%a% and %A% and %a", "%a%", "value", true, "value and value and %a"},
        {"ABC", "abc", "x", false, "ABC"},
        {"aaaa", "aa", "ba", false, "bbba"},  // in place, one step at a time
        {"ÉTÉ", "été", "hiver", true, "hiver"},
        {"ÿ", "ß", "no", true, "ÿ"}};  // neither is the capital of the other
    for (const auto& [text, find, by, ignoreCase, result] : cases) {
        Chaine s = Chaine::FromUtf8(text);
        s.ReplaceAll(Chaine::FromUtf8(find), Chaine::FromUtf8(by), ignoreCase);
        EXPECT_EQ(s, Chaine::FromUtf8(result)) << text << " / " << find;
    }
}

TEST(ChaineTest, EscapeToRtf) {
    const std::pair<Chaine, const char*> cases[] = {
        {Chaine("a{b}\\c\r\n\tz"), "a\\{b\\}\\\\c\\par \\tab z"},
        {Chaine("{\r"), "\\{"},  // as many bytes out as in, yet escaped
        {Chaine("x}"), "x\\}"},
        {Chaine(std::string_view("a\0b", 3)), "ab"},
        {Chaine::FromUtf8("é"), "\\'E9"}};
    for (auto [text, rtf] : cases) {
        text.EscapeToRtf();
        EXPECT_EQ(text, rtf) << rtf;
    }
}

TEST(ChaineTest, IntegersBothWays) {
    const std::pair<const char*, int32_t> cases[] = {
        {" 1 000", 1000}, {"- 12abc", -12}, {"garbage", 0}, {"", 0}, {"-", 0},
        {"99999999999999999999", INT32_MAX}, {"-99999999999999999999", INT32_MIN}, {"-2147483648", INT32_MIN}};
    for (const auto& [text, value] : cases) EXPECT_EQ(Chaine(text).ToInteger(), value) << text;
    EXPECT_EQ(Chaine().FromInteger(INT32_MIN), "-2147483648");
}

// Ten threads make and drop short texts at once, enough for several chunks and
// for blocks to move between the threads' caches and the shared list: a block
// handed out twice would show as a kept text that changed.
TEST(ChainePoolTest, ManyThreadsCreateAndReleaseAtOnce) {
    auto text = [](int t, int i) { return Chaine().Format("thread %d item %d", t, i); };
    std::vector<std::thread> threads;
    std::vector<int> failures(10, 0);
    for (int t = 0; t < 10; ++t) {
        threads.emplace_back([&, t] {
            std::vector<std::pair<int, Chaine>> kept;
            for (int i = 0; i < 5000; ++i) {
                kept.emplace_back(i, text(t, i));
                if (kept.size() > 600) kept.erase(kept.begin(), kept.begin() + 300);
                if (i % 500 != 0) continue;
                for (const auto& [item, s] : kept) failures[t] += !(s == text(t, item));
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int f : failures) EXPECT_EQ(f, 0);
}

// Elements never move while the array grows; a removed slot is reused by the
// next element added, and the order of the others is kept.
TEST(PTableauTest, ElementsStayWhereTheyAreAndSlotsAreReused) {
    PTableau<std::string> t;
    std::vector<const std::string*> addresses;
    for (int i = 0; i < 5000; ++i) {
        t.Add(std::to_string(i));
        addresses.push_back(&t[i]);
    }
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(&t[i], addresses[i]) << i;
    EXPECT_EQ(t[0], "0");
    t.RemoveAt(1);
    ASSERT_EQ(t.GetCount(), 4999u);
    EXPECT_EQ(t[1], "2");
    t.Add("new");
    EXPECT_EQ(&t[4999], addresses[1]) << "the freed slot";
    EXPECT_EQ(t[4999], "new");
    t.RemoveAll();
    EXPECT_EQ(t.GetCount(), 0u);
    t.Add("e");
    EXPECT_EQ(t[0], "e");
}
