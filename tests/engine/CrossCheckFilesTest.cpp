#include "engine/CrossCheckFiles.h"

#include <gtest/gtest.h>

#include <string>

// What a writer announces reads back as it was; anything else that could
// stand under the name (cut short, another round, a name that points
// elsewhere, a size or a writer's name no result could carry) is not an
// announcement, so the reader keeps waiting and then fails. What an earlier
// check left under the same names differs in neither length nor names.
TEST(CrossCheckFilesTest, OnlyAWholeAnnouncementOfTheRoundIsTaken) {
    const CrossCheckFiles::Round plan = CrossCheckFiles::Plan(0x1234abcd, Chaine("poste-02"), 7);
    const std::string text = CrossCheckFiles::Announcement(plan);
    const CrossCheckFiles::Round earlier = CrossCheckFiles::Plan(0x99, Chaine("p"), 7);
    EXPECT_EQ(CrossCheckFiles::Announcement(earlier).size(), text.size());
    EXPECT_NE(earlier.files[0].name, plan.files[0].name);
    CrossCheckFiles::Round read;
    ASSERT_TRUE(CrossCheckFiles::ReadAnnouncement(text, 7, &read)) << text;
    EXPECT_EQ(read.session, plan.session);
    EXPECT_EQ(read.writer, plan.writer);
    ASSERT_EQ(read.files.size(), plan.files.size());
    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        EXPECT_EQ(read.files[i].name, plan.files[i].name);
        EXPECT_EQ(read.files[i].size, plan.files[i].size);
    }
    const auto replaced = [&text](const std::string& from, const std::string& to) {
        std::string t = text;
        t.replace(t.find(from), from.size(), to);
        // Padded to the length again, as a writer would.
        while (t.size() > text.size() && t.ends_with("\n\n")) t.pop_back();
        t.resize(text.size(), '\n');
        return t;
    };
    const std::string file0 = plan.files[0].name + " " + std::to_string(plan.files[0].size);
    const struct {
        const char* why;
        std::string text;
        uint32_t round;
    } refused[] = {
        {"cut short", text.substr(0, text.size() - 1), 7},
        {"without its end", replaced("end\n", "\n\n\n\n"), 7},
        {"another round", text, 8},
        {"a name elsewhere", replaced(file0, "../../etc/passwd 10"), 7},
        {"too large", replaced(file0, plan.files[0].name + " 99999999"), 7},
        {"an escape in the name", replaced("poste-02", "\x1b[2J"), 7},
        {"no name", replaced("client poste-02", "client "), 7},
        {"empty", "", 7},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(CrossCheckFiles::ReadAnnouncement(r.text, r.round, &read)) << r.why;
    }
}

// The bytes follow from the name and the session alone.
TEST(CrossCheckFilesTest, ContentFollowsFromNameAndSession) {
    const auto a = CrossCheckFiles::Content(1, "VXK-1-0.TMP", 1000);
    EXPECT_EQ(a, CrossCheckFiles::Content(1, "VXK-1-0.TMP", 1000));
    EXPECT_NE(a, CrossCheckFiles::Content(2, "VXK-1-0.TMP", 1000));
    EXPECT_NE(a, CrossCheckFiles::Content(1, "VXK-1-1.TMP", 1000));
}
