#include "support/Chaine.h"

#include "tests/Printers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

TEST(ChaineTest, CopiesShareUntilOneIsModified) {
    Chaine a("report");
    Chaine b = a;
    EXPECT_EQ(a.c_str(), b.c_str());
    EXPECT_EQ(a.GetRefCount(), 2u);
    b += " 2";
    EXPECT_EQ(a, "report");
    EXPECT_EQ(b, "report 2");
    EXPECT_EQ(a.GetRefCount(), 1u);

    Chaine c = a;
    c.SetAt(0, 'R');
    EXPECT_EQ(a, "report");
    EXPECT_EQ(c, "Report");

    Chaine d = a;
    d.ReplaceChar('r', 'x');
    d = a;
    d.ReplaceAll(Chaine("port"), Chaine("PORT"), false);
    EXPECT_EQ(a, "report");
    EXPECT_EQ(d, "rePORT");

    Chaine e = a;
    Chaine f = a.PrivateCopy();
    EXPECT_NE(f.c_str(), a.c_str());
    EXPECT_EQ(f, a);
}

TEST(ChaineTest, EmptyValuesAllUseTheOneStaticBlock) {
    Chaine a, b("");
    Chaine c("x");
    c.Empty();
    Chaine d("abc");
    d.RemoveChar('a'), d.RemoveChar('b'), d.RemoveChar('c');
    EXPECT_EQ(a.c_str(), b.c_str());
    EXPECT_EQ(a.c_str(), c.c_str());
    EXPECT_EQ(a.c_str(), d.c_str());
    EXPECT_EQ(a.GetLength(), 0u);
    EXPECT_EQ(*a.c_str(), '\0');
    Chaine null(static_cast<const char*>(nullptr));
    EXPECT_TRUE(null.IsEmpty());
}

TEST(ChaineTest, PoolBlocksAreEvenAndHeapBlocksOdd) {
    Chaine small("short");
    EXPECT_EQ(small.GetCapacity(), 64u);
    Chaine exact(std::string(63, 'x'));  // 64 bytes with the NUL
    EXPECT_EQ(exact.GetCapacity(), 64u);
    Chaine big(std::string(64, 'x'));  // 65 bytes
    EXPECT_EQ(big.GetCapacity() % 2, 1u);
    EXPECT_GE(big.GetCapacity(), 65u);
}

TEST(ChaineTest, GrowthFollowsTheCapacityRule) {
    // Below 256 a block grows to exactly what is needed...
    Chaine s(std::string(100, 'a'));
    s += 'b';
    EXPECT_EQ(s.GetCapacity(), 103u);  // 102 rounded to odd
    // ...from 256 it doubles...
    Chaine t(std::string(300, 'a'));
    const uint32_t cap = t.GetCapacity();
    ASSERT_EQ(cap, 301u);
    t += 'b';
    EXPECT_EQ(t.GetCapacity(), 2 * cap | 1);
    // ...unless the new size is already twice as large: then size + 32768.
    Chaine u(std::string(300, 'a'));
    u += Chaine(std::string(700, 'b'));
    EXPECT_EQ(u.GetCapacity(), (1001u + 32768u) | 1);
    EXPECT_EQ(u.GetLength(), 1000u);
    EXPECT_EQ(u[299], 'a');
    EXPECT_EQ(u[300], 'b');
}

TEST(ChaineTest, AppendingAPartOfItself) {
    Chaine s(std::string(60, 'x') + "END");
    s.Append(s.c_str() + 60, 3);  // forces a new block while reading the old one
    EXPECT_EQ(s.View().substr(60), "ENDEND");
    Chaine shared = s;
    s += s;
    EXPECT_EQ(s.GetLength(), 2 * shared.GetLength());
}

TEST(ChaineTest, FormatMeasuresBeforePrinting) {
    Chaine s;
    EXPECT_EQ(s.Format("%d-%s", 42, "x"), "42-x");
    EXPECT_EQ(s.Format("%I64u octets/sec (%I64u.%I64u Mbits/sec)", uint64_t{18446744073709551615u},
                       uint64_t{12}, uint64_t{3}),
              "18446744073709551615 octets/sec (12.3 Mbits/sec)");
    EXPECT_EQ(s.Format("%I64d|%I64x|%I32d", int64_t{-5}, uint64_t{255}, 7), "-5|ff|7");
    EXPECT_EQ(s.Format("%*d|%-*s|", 300, 1, 2, "a").GetLength(), 304u);
    EXPECT_EQ(s.Format("%.3f", 2.0 / 3), "0.667");
    EXPECT_EQ(s.Format("%f", 1e300).GetLength(), 308u);  // 301 digits, point, 6 decimals
    EXPECT_EQ(s.Format("%s", std::string(100000, 'q').c_str()).GetLength(), 100000u);
    EXPECT_EQ(s.Format("100%%"), "100%");
    EXPECT_TRUE(s.Format("%s", "").IsEmpty());
    Chaine self("me");
    EXPECT_EQ(self.Format("%s and %s", self.c_str(), self.c_str()), "me and me");
}

TEST(ChaineTest, IntegersBothWays) {
    Chaine s;
    EXPECT_EQ(s.FromInteger(-1), "-1");
    EXPECT_EQ(s.FromInteger(INT32_MIN), "-2147483648");
    EXPECT_EQ(Chaine(" 1 000").ToInteger(), 1000);
    EXPECT_EQ(Chaine("- 12abc").ToInteger(), -12);
    EXPECT_EQ(Chaine("garbage").ToInteger(), 0);
    EXPECT_EQ(Chaine("").ToInteger(), 0);
    EXPECT_EQ(Chaine("-").ToInteger(), 0);
    EXPECT_EQ(Chaine("99999999999999999999").ToInteger(), INT32_MAX);
    EXPECT_EQ(Chaine("-99999999999999999999").ToInteger(), INT32_MIN);
    EXPECT_EQ(Chaine("-2147483648").ToInteger(), INT32_MIN);
}

TEST(ChaineTest, CharacterEdits) {
    Chaine s("a-b-c");
    s.RemoveChar('-');
    EXPECT_EQ(s, "abc");
    Chaine r("x\r\ny\r\n");
    r.ReplaceChar('\r', ' ');
    r.ReplaceChar('\n', ' ');
    EXPECT_EQ(r, "x  y  ");
    Chaine p("aaaa");
    p.ReplaceChar('a', 'b', 2);
    EXPECT_EQ(p, "aabb");
    p.ReplaceChar('a', 'b', 99);
    EXPECT_EQ(p, "aabb");
}

TEST(ChaineTest, ReplaceAllGrowingShrinkingAndInPlace) {
    Chaine s("%a% and %A% and %a");
    s.ReplaceAll(Chaine("%a%"), Chaine("value"), true);
    EXPECT_EQ(s, "value and value and %a");
    s.ReplaceAll(Chaine("value"), Chaine("v"), false);
    EXPECT_EQ(s, "v and v and %a");
    Chaine start("xx.xx");
    start.ReplaceAll(Chaine("xx"), Chaine("yyy"), false, 1);
    EXPECT_EQ(start, "xx.yyy")
        << "the part before the start stays; a match across it does not count";
    // Same length: overwritten in place, advancing one character at a time.
    Chaine same("aaaa");
    same.ReplaceAll(Chaine("aa"), Chaine("ba"), false);
    EXPECT_EQ(same, "bbba");
    // Text to find equal to the replacement, or empty: nothing happens.
    Chaine keep("abc");
    const Chaine b("b");
    keep.ReplaceAll(b, b, false);
    keep.ReplaceAll(Chaine(""), Chaine("zz"), false);
    EXPECT_EQ(keep, "abc");
}

TEST(ChaineTest, IgnoringCaseFoldsAccentedLettersToo) {
    Chaine doc(
        "Temps \xE9"
        "coul\xE9 : %TESTTIME%");  // "écoulé"
    doc.ReplaceAll(Chaine("%testtime%"), Chaine("1 min"), true);
    EXPECT_EQ(doc,
              "Temps \xE9"
              "coul\xE9 : 1 min");
    Chaine e("\xC9T\xC9");  // ÉTÉ
    e.ReplaceAll(Chaine("\xE9t\xE9"), Chaine("hiver"), true);
    EXPECT_EQ(e, "hiver");
    Chaine strict("ABC");
    strict.ReplaceAll(Chaine("abc"), Chaine("x"), false);
    EXPECT_EQ(strict, "ABC");
    // Only the letters fold: ÿ (FF) and ß (DF) are not capitals of anything.
    Chaine y("\xFF");
    y.ReplaceAll(Chaine("\xDF"), Chaine("no"), true);
    EXPECT_EQ(y, "\xFF");
}

TEST(ChaineTest, JoinWith) {
    Chaine list;
    list.JoinWith('|', Chaine("a"));
    list.JoinWith('|', Chaine("b"));
    EXPECT_EQ(list, "a|b");
}

TEST(ChaineTest, FromBytesWritesUpperCaseHex) {
    const unsigned char bytes[] = {0x00, 0xAB, 0x7F};
    Chaine s("old");
    EXPECT_EQ(s.FromBytes(bytes, 2), "00AB");
    EXPECT_EQ(s.FromBytes(bytes, 3), "00AB7F");
    EXPECT_TRUE(s.FromBytes(bytes, 0).IsEmpty());
}

TEST(ChaineTest, EscapeToRtf) {
    Chaine s("a{b}\\c\r\n\xE9\tz");
    s.EscapeToRtf();
    EXPECT_EQ(s, "a\\{b\\}\\\\c\\par \\'E9\\tab z");
    Chaine crBrace("{\r");  // as many bytes out as in, yet escaped
    crBrace.EscapeToRtf();
    EXPECT_EQ(crBrace, "\\{");
    Chaine withNul(std::string_view("a\0}", 3));
    withNul.EscapeToRtf();
    EXPECT_EQ(withNul.View(), "a\\}");
    Chaine server("\\\\server\\share");
    server.EscapeToRtf();
    EXPECT_EQ(server, "\\\\\\\\server\\\\share");
}

TEST(ChaineTest, ResourcesAndSystemTexts) {
    Chaine name(Chaine::ResourceId(3004));
    EXPECT_EQ(name, "Test de recopie de fichier");
    Chaine zero(Chaine::ResourceId(0));
    EXPECT_TRUE(zero.IsEmpty());
    Chaine s("previous");
    EXPECT_FALSE(s.LoadResourceString(4242));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_TRUE(s.LoadResourceString(2001));
    EXPECT_NE(s.View().find("\n\nSi vous"), std::string_view::npos);

    s = "previous";
    EXPECT_FALSE(s.LoadResourceText(12345, "RTF"));
    EXPECT_TRUE(s.IsEmpty());

    s.GetSystemErrorText(112);
    EXPECT_EQ(s, "Espace insuffisant sur le disque.");
    s.GetSystemErrorText(4000000000u);
    EXPECT_TRUE(s.IsEmpty());
}

TEST(ChaineTest, Utf8AtTheEdges) {
    const Chaine c = Chaine::FromUtf8("répertoire €");
    EXPECT_EQ(c, "r\xE9pertoire \x80");
    EXPECT_EQ(c.ToUtf8(), "répertoire €");
}
