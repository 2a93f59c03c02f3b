#include "platform/Resources.h"

#include <gtest/gtest.h>

using platform::Resources;

TEST(ResourcesTest, TheStringTableHoldsEveryEntryInWindows1252) {
    for (unsigned id : {101u, 2000u, 2001u, 2002u, 2003u, 3000u, 3001u, 3002u, 3003u, 3004u, 5002u,
                        5003u, 13604u, 57344u}) {
        std::string text;
        EXPECT_TRUE(Resources::FindString(id, &text)) << id;
        EXPECT_FALSE(text.empty()) << id;
    }
    std::string text;
    Resources::FindString(57344, &text);
    EXPECT_EQ(text, "Dalvex");
    Resources::FindString(5002, &text);
    EXPECT_EQ(text, "A propos de ") << "the trailing blank is part of the entry";
    Resources::FindString(2002, &text);
    EXPECT_EQ(text, "Arr\xEAt des tests en cours, veuillez patienter...");
    Resources::FindString(2001, &text);
    EXPECT_EQ(text.substr(0, 61),
              "Le chemin que vous avez indiqu\xE9 n'est pas un chemin r\xE9seau.\n\n");
    Resources::FindString(13604, &text);
    EXPECT_EQ(text, "|S\xE9lectionner|Valeur interdite|La valeur n'est pas valide|Champ requis");
}

TEST(ResourcesTest, MissingEntriesAreReportedNotInvented) {
    std::string text = "x";
    EXPECT_FALSE(Resources::FindString(4242, &text));
    EXPECT_TRUE(text.empty());
    std::string_view doc;
    EXPECT_FALSE(Resources::FindDocument(999, "RTF", &doc));
}
