#include "support/Chaine.h"
#include "support/FDictionnary.h"
#include "support/RtfReader.h"
#include "support/TextList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/TempDir.h"

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

// A document cut short gives what can be read; an escape cut short, what its
// digits say. (The malformed inputs the fuzzers once broke on are replayed
// from their regression folder by every fuzzing run.)
TEST(TextListTest, PiecesBetweenSeparators) {
    const std::pair<const char*, std::vector<std::string>> rows[] = {
        {"", {""}}, {"a", {"a"}}, {"|a||b", {"", "a", "", "b"}}, {"a|", {"a", ""}}};
    for (const auto& [text, expected] : rows) {
        std::vector<std::string> pieces;
        for (const Chaine& piece : SplitText(text)) pieces.emplace_back(piece.View());
        EXPECT_EQ(pieces, expected) << text;
    }
}

TEST(FDictionnaryTest, KeepsEachKeyOnceInOrder) {
    // "\xE9t\xE9" and "\xC9T\xC9": the same word in small and capital accented letters.
    const char* keys[] = {"beta", "alpha", "Alpha", "\xE9t\xE9", "\xC9T\xC9", "beta"};
    FDictionnary exact;
    FDictionnaryNoCase folded;
    int added[2] = {0, 0};
    for (const char* key : keys) {
        added[0] += exact.Add(key);
        added[1] += folded.Add(key);
    }
    const auto list = [](const FDictionnary& d) {
        std::string all;
        for (const Chaine& key : d) all += std::string(key.View()) + "|";
        return all;
    };
    EXPECT_EQ(std::pair(added[0], list(exact)),
              std::pair(5, std::string("Alpha|alpha|beta|\xC9T\xC9|\xE9t\xE9|")));
    EXPECT_EQ(std::pair(added[1], list(folded)),
              std::pair(3, std::string("alpha|beta|\xE9t\xE9|")));
    EXPECT_TRUE(folded.Contains("BETA") && !exact.Contains("BETA"));
}

TEST(RtfReaderTest, CutShortDocuments) {
    EXPECT_EQ(RtfReader::ToPlainText(RtfReader::Parse("{\\rtf1 abc")), "abc\n");
    EXPECT_EQ(RtfReader::ToPlainText(RtfReader::Parse("x\\'4")), "x\x04\n");
}
