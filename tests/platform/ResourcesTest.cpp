#include "platform/Resources.h"

#include <gtest/gtest.h>

#include "platform/Encoding.h"

using platform::Resources;

// Windows-1252 text with its escapes read and its blanks kept; an entry or a
// document that is not there is reported, never invented.
TEST(ResourcesTest, EntriesAsWrittenAndNoneInvented) {
    std::string text;
    ASSERT_TRUE(Resources::FindString(2001, &text));
    EXPECT_EQ(text.substr(0, 61),
              platform::Encoding::Utf8ToAnsi(
                  "Le chemin que vous avez indiqué n'est pas un chemin réseau.\n\n"));
    ASSERT_TRUE(Resources::FindString(5002, &text));
    EXPECT_EQ(text, "A propos de ");
    EXPECT_FALSE(Resources::FindString(4242, &text));
    EXPECT_TRUE(text.empty());
    std::string_view doc;
    EXPECT_FALSE(Resources::FindDocument(999, "RTF", &doc));
}
