#include "support/RtfReader.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/Printers.h"

TEST(RtfReaderTest, StylesFontsAndColours) {
    const auto paras = RtfReader::Parse(
        "{\\rtf1\\ansi{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}}"
        "{\\colortbl ;\\red128\\green0\\blue0;}"
        "\\pard\\cf1\\b\\f1\\fs28 Titre\\cf0\\b0\\f0\\fs24\\par "
        "normal {\\i pench\\'e9} \\b gras\\b0\\par}");
    ASSERT_EQ(paras.size(), 2u);
    ASSERT_EQ(paras[0].runs.size(), 1u);
    const RtfRun& title = paras[0].runs[0];
    EXPECT_EQ(title.text, "Titre");
    EXPECT_TRUE(title.bold);
    EXPECT_EQ(title.halfPoints, 28);
    EXPECT_EQ(title.color, 0x800000u);
    EXPECT_EQ(title.font, "Arial");
    ASSERT_EQ(paras[1].runs.size(), 4u);
    EXPECT_EQ(paras[1].runs[0].text, "normal ");
    EXPECT_EQ(paras[1].runs[0].font, "Times New Roman");
    EXPECT_EQ(paras[1].runs[1].text, "pench\xE9");
    EXPECT_TRUE(paras[1].runs[1].italic);
    EXPECT_EQ(paras[1].runs[2].text, " ");
    EXPECT_EQ(paras[1].runs[3].text, "gras");
    EXPECT_TRUE(paras[1].runs[3].bold);
}

TEST(RtfReaderTest, BulletsEscapesAndSkippedDestinations) {
    const auto paras = RtfReader::Parse(
        "{\\rtf1{\\info{\\title secret}}{\\*\\generator x;}"
        "\\pard{\\pntext\\f3\\'b7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}un\\par"
        "\\pard a\\\\b\\{c\\}\\tab d\\par}");
    ASSERT_EQ(paras.size(), 2u);
    EXPECT_TRUE(paras[0].bullet);
    EXPECT_EQ(paras[0].runs[0].text, "un");
    EXPECT_FALSE(paras[1].bullet);
    EXPECT_EQ(RtfReader::ToPlainText(paras), "\x95 un\na\\b{c}\td\n");
}

TEST(RtfReaderTest, MalformedInputGivesWhatCanBeRead) {
    const char* const inputs[] = {
        "",
        "{",
        "}",
        "}}}{",
        "\\",
        "{\\rtf1 abc",
        "abc\\'",
        "abc\\'4",
        "\\'zz",
        "\\u",
        "\\u-",
        "{\\fonttbl{\\f99999999999 x;}}",
        "{\\colortbl\\red999;}",
        "\\fs-5 x",
        "{\\*",
        "\\pntext x",
        "\\u233",
        "\\u233\\'",
        "{\\f2147483647 y}",
    };
    for (const char* in : inputs) {
        const auto paras = RtfReader::Parse(in);
        for (const auto& p : paras) {
            for (const auto& r : p.runs) EXPECT_LE(r.text.GetLength(), std::string_view(in).size());
        }
    }
    EXPECT_EQ(RtfReader::ToPlainText(RtfReader::Parse("{\\rtf1 abc")), "abc\n");
    EXPECT_EQ(RtfReader::ToPlainText(RtfReader::Parse("x\\'4")), "x\x04\n");
    const std::string deep(100000, '{');
    EXPECT_TRUE(RtfReader::Parse(deep + "text").size() == 1u);
}
