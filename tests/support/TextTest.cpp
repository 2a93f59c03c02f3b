#include "support/Chaine.h"
#include "support/FDictionnary.h"
#include "support/NumberText.h"
#include "support/RtfReader.h"
#include "support/TextList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/TempDir.h"

// A copy is isolated from every change to the other; a text may be appended to
// itself, or a piece of it.
TEST(ChaineTest, ACopyIsIsolatedFromEveryChangeToTheOtherAndAppendsOfItself) {
    const Chaine a("report");
    Chaine b = a, c = a, d = a, e = a;
    b += " 2", c.SetAt(0, 'R'), d.ReplaceChar('r', 'x');
    e.ReplaceAll(Chaine("port"), Chaine("PORT"), false);  // same length: in place
    EXPECT_EQ(a + "|" + b + "|" + c + "|" + d + "|" + e, "report|report 2|Report|xepoxt|rePORT");
    Chaine s(std::string(300, 'x') + "END");
    s.Append(s.c_str() + 300, 3);  // frees the heap block it reads from, unless kept
    EXPECT_EQ(s.View().substr(300), "ENDEND");
    const Chaine shared = s;
    s += s;
    EXPECT_EQ(s, shared + shared);
}

// A thread that nobody waits for, as a question to a share that does not
// answer, may still make and free texts while the program ends.
TEST(ChaineTest, TextsOutliveTheProgramsEnd) {
    EXPECT_EXIT(
        {
            std::thread([] {
                for (;;) Chaine("texte") += "y";
            }).detach();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::exit(7);
        },
        testing::ExitedWithCode(7), "");
}

// Pieces between separators; a sorted dictionary of each text once, in byte
// order or in that of the case-folding table (accented capitals included).
TEST(TextListTest, PiecesAndDictionaries) {
    std::string pieces, added, keys;
    for (const char* text : {"|a||b", "", "a|"}) {
        for (const Chaine& piece : SplitText(text)) pieces += std::string(piece.View()) + ",";
        pieces += ";";
    }
    EXPECT_EQ(pieces, ",a,,b,;,;a,,;");
    FDictionnary exact;
    FDictionnaryNoCase folded;
    for (const char* key : {"beta", "alpha", "Beta", "\xE9t\xE9", "\xC9T\xC9", "beta"})
        added += std::to_string(exact.Add(key)) + std::to_string(folded.Add(key));
    for (const FDictionnary* d : {&exact, static_cast<FDictionnary*>(&folded)})
        for (const Chaine& key : *d) keys += std::string(key.View()) + ",";
    EXPECT_EQ(added, "111111111100") << "texts that differ only in case stay apart";
    EXPECT_EQ(keys, "Beta,alpha,beta,\xC9T\xC9,\xE9t\xE9,alpha,Beta,beta,\xC9T\xC9,\xE9t\xE9,");
}

// Groups of three from the right, a no-break space ("_" below) between them,
// none before the first: the edges of each group count.
TEST(NumberTextTest, DigitsInGroupsOfThree) {
    const std::pair<uint64_t, std::string> rows[] = {
        {0, "0"},
        {999, "999"},
        {1000, "1_000"},
        {123456, "123_456"},
        {47280352582, "47_280_352_582"},
        {UINT64_MAX, "18_446_744_073_709_551_615"},
    };
    for (auto [value, grouped] : rows) {
        std::replace(grouped.begin(), grouped.end(), '_', '\xA0');
        EXPECT_EQ(FormatGroupedNumber(value).View(), grouped);
    }
}

// A document cut short gives what can be read; an escape cut short, what its
// digits say. (The malformed inputs the fuzzers once broke on are replayed
// from their regression folder by every fuzzing run.)
TEST(RtfReaderTest, CutShortDocuments) {
    EXPECT_EQ(RtfReader::ToPlainText(RtfReader::Parse("{\\rtf1 abc")), "abc\n");
    EXPECT_EQ(RtfReader::ToPlainText(RtfReader::Parse("x\\'4")), "x\x04\n");
}
