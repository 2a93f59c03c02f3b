#include "support/VersionInfo.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Clock.h"
#include "tests/TempDir.h"

using platform::VersionTranslation;

namespace {

Chaine C(const std::string& s) { return Chaine(std::string_view(s)); }

// Copies of the program (build 607) under names with and without ".exe", and
// a program without a version block.
class VersionInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        namespace fs = std::filesystem;
        for (const char* name : {"prog", "prog.EXE"})
            fs::copy_file(DALVEX_CLI_PATH, m_dir.File(name));
        fs::copy_file("/bin/true", m_dir.File("true"));
    }
    // Writes the patch description file beside `program` ("" for none).
    Chaine Program(const std::string& program, const std::string& patch) {
        const std::string ptc = m_dir.File(program.substr(0, program.find('.')) + ".ptc");
        std::filesystem::remove(ptc);
        if (!patch.empty()) WriteFile(ptc, "[QuarnPatch]\n" + patch);
        return C(m_dir.File(program));
    }
    TempDir m_dir;
};

}  // namespace

TEST_F(VersionInfoTest, TextFromTheBlockAndThePatchFile) {
    const platform::SystemTime now = platform::Clock::GetLocalTime();
    Chaine todays;  // a date that is not accepted leaves today's
    todays.Format("2.0 - Build 607 - Patch 1 (%02d/%02d/%d)", now.day, now.month, now.year % 100);
    const std::string patch3 = "Build=607\nPatch=3\nDate=15/06/2005\n";
    const struct {
        const char* program;
        std::string patch;
        unsigned flags;
        std::string text;
    } cases[] = {
        {"prog", "", 0, "2.0 - Build 607"},
        {"prog", "", kVersionNumeric, "2.0 (R607)"},
        {"prog", "", kVersionProduct, "2.0"},
        {"prog", patch3, 0, "2.0 - Build 607 - Patch 3 (15/06/5)"},
        {"prog", patch3, kVersionNumeric, "2.0 - Build 607 - Patch 3 (15/06/5)"},
        {"prog", patch3, kVersionNoPatch, "2.0 - Build 607"},
        {"prog.EXE", "Build=607\nPatch=+255\nDate=01/02/85", 0,
         "2.0 - Build 607 - Patch 255 (01/02/85)"},
        {"prog", "Build=606\nPatch=3\nDate=15/06/2005\n", 0, "2.0 - Build 607"},
        {"prog", "Build=607\nPatch=0\n", kVersionNumeric, "2.0 (R607)"},
        {"prog", "Build=607\nPatch=256\n", 0, "2.0 - Build 607"},
        {"prog", "Build=607x\nPatch=7 5\nDate=01/02/03", 0, "2.0 - Build 607 - Patch 7 (01/02/3)"},
        {"prog", "Build=607\nPatch=1\nDate=1/2/03", 0, todays.c_str()},
        {"prog", "Build=607\nPatch=1\nDate=01/02/x3", 0, todays.c_str()},
        {"true", "", 0, "Alpha"},
        {"true", "Patch=2\nDate=01/02/03", kVersionNumeric, "Alpha - Patch 2 (01/02/3)"},
        {"none", "", 0, "<Fichier inexistant>"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetVersionText(Program(c.program, c.patch), c.flags), C(c.text))
            << c.program << " " << c.patch;
    }
    EXPECT_EQ(GetModuleVersionText(0), "Alpha") << "the test program has no block";
}

TEST_F(VersionInfoTest, PatchRecordAndVersionNumbers) {
    for (const auto& [date, year] :
         {std::pair{"01/02/03", 2003}, {"01/02/85", 1985}, {"01/02/1885", 1885}}) {
        const PatchInfo info =
            ReadPatchInfo(Program("prog", std::string("Build=607\nPatch=9\nDate=") + date));
        EXPECT_EQ(std::vector<int>({info.patch, info.day, info.month, info.year}),
                  std::vector({9, 1, 2, year}))
            << date;
    }
    const Chaine prog = Program("prog", "");
    EXPECT_EQ(GetFileVersionNumber(prog, 0), 0x000200000000025Fu);
    EXPECT_EQ(GetFileVersionNumber(prog, kVersionProduct), 0x00020000025F0000u);
    EXPECT_EQ(GetFileVersionNumber(Program("true", ""), 0), 0u);
    EXPECT_EQ(GetFileVersionNumber(Program("none", ""), 0), 0u);
}

// Entries written as language << 16 | code page.
TEST(ChooseTranslationTest, ExactThenPrimaryLanguageThenLastEntry) {
    const std::vector<uint32_t> french = {0x040C04B0}, mixed = {0x04090001, 0x040C0002, 0x04090003,
                                                                0x080C0004, 0x04070005};
    const struct {
        const std::vector<uint32_t>& table;
        uint16_t system;
        uint32_t chosen;
    } cases[] = {
        {french, 0x040C, 0x040C04B0}, {french, 0x0407, 0x040C04B0},
        {french, 0x0000, 0x040C04B0}, {mixed, 0x0409, 0x04090003},
        {mixed, 0x0C0C, 0x080C0004},  {mixed, 0x040C, 0x040C0002},
        {mixed, 0x0410, 0x04070005},  {{}, 0x040C, 0},
    };
    for (const auto& c : cases) {
        std::vector<VersionTranslation> table;
        for (uint32_t e : c.table) table.push_back({uint16_t(e >> 16), uint16_t(e)});
        const VersionTranslation t = ChooseTranslation(table, c.system);
        EXPECT_EQ(uint32_t{t.language} << 16 | t.codePage, c.chosen) << std::hex << c.system;
    }
}
