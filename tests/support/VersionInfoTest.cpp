#include "support/VersionInfo.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Clock.h"
#include "tests/Fields.h"
#include "tests/TempDir.h"

using platform::VersionTranslation;

namespace {

// Copies of the program (build 607) under names with and without ".exe", and
// a program without a version block.
class VersionInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"prog", "prog.EXE"})
            std::filesystem::copy_file(DALVEX_CLI_PATH, m_dir.File(name));
        std::filesystem::copy_file("/bin/true", m_dir.File("true"));
    }
    // Writes the patch description file beside `program` ("" for none).
    Chaine Program(const std::string& program, const std::string& patch) {
        const std::string ptc = m_dir.File(program.substr(0, program.find('.')) + ".ptc");
        std::filesystem::remove(ptc);
        if (!patch.empty()) WriteFile(ptc, "[QuarnPatch]\n" + patch);
        return Chaine(std::string_view(m_dir.File(program)));
    }
    TempDir m_dir;
};

}  // namespace

TEST_F(VersionInfoTest, TextFromTheBlockAndThePatchFile) {
    const std::string patch3 = "Build=607\nPatch=3\nDate=15/06/2005\n";
    // {program, its patch file ("": none), flags, text}
    const std::tuple<const char*, std::string, unsigned, const char*> cases[] = {
        {"prog", "", 0, "2.0 - Build 607"},
        {"prog", "", kVersionProduct, "2.0"},
        {"prog", patch3, 0, "2.0 - Build 607 - Patch 3 (15/06/5)"},
        {"prog", patch3, kVersionNumeric, "2.0 - Build 607 - Patch 3 (15/06/5)"},
        {"prog", patch3, kVersionNoPatch, "2.0 - Build 607"},
        // Read as numbers are: the leading digits after an optional sign.
        {"prog.EXE", "Build=607x\nPatch=+255 5\nDate=01/02/85", 0,
         "2.0 - Build 607 - Patch 255 (01/02/85)"},
        {"prog", "Build=606\nPatch=3\nDate=15/06/2005\n", 0, "2.0 - Build 607"},
        {"prog", "Build=607\nPatch=-1\n", kVersionNumeric, "2.0 (R607)"},
        {"prog", "Build=607\nPatch=256\n", 0, "2.0 - Build 607"},
        {"true", "", 0, "Alpha"},
        {"true", "Patch=2\nDate=01/02/03", kVersionNumeric, "Alpha - Patch 2 (01/02/3)"},
        {"none", "", 0, "<Fichier inexistant>"},
    };
    for (const auto& [program, patch, flags, text] : cases)
        EXPECT_EQ(GetVersionText(Program(program, patch), flags), text) << program << " " << patch;
    EXPECT_EQ(GetModuleVersionText(0), "Alpha") << "the test program has no block";
}

// A date that is not accepted leaves today's.
TEST_F(VersionInfoTest, PatchRecordAndVersionNumbers) {
    const platform::SystemTime now = platform::Clock::GetLocalTime();
    const std::tuple<const char*, int, int, int> dates[] = {
        {"01/02/03", 1, 2, 2003},
        {"01/02/85", 1, 2, 1985},
        {"01/02/1885", 1, 2, 1885},
        {"01/02/x3", now.day, now.month, now.year}};
    for (const auto& [date, day, month, year] : dates) {
        const PatchInfo info =
            ReadPatchInfo(Program("prog", std::string("Build=607\nPatch=9\nDate=") + date));
        EXPECT_EQ(std::vector<int>({info.patch, info.day, info.month, info.year}),
                  std::vector({9, day, month, year}));
    }
    const Chaine prog = Program("prog", "");
    EXPECT_TRUE(Fields()
                    .Is("file", GetFileVersionNumber(prog, 0), 0x000200000000025Full)
                    .Is("product", GetFileVersionNumber(prog, kVersionProduct),
                        0x00020000025F0000ull)
                    .Is("without a block", GetFileVersionNumber(Program("true", ""), 0), 0ull));
}

// The last entry of the exact language, else of the same primary language, else
// the last (their code pages name them); none from an empty table.
TEST(ChooseTranslationTest, ExactThenPrimaryLanguageThenLastEntry) {
    const std::vector<VersionTranslation> table = {
        {0x0409, 1}, {0x040C, 2}, {0x0409, 3}, {0x080C, 4}, {0x0407, 5}};
    const std::pair<uint16_t, uint16_t> cases[] = {
        {0x0409, 3}, {0x0C0C, 4}, {0x040C, 2}, {0x0410, 5}};
    for (const auto& [system, codePage] : cases)
        EXPECT_EQ(ChooseTranslation(table, system).codePage, codePage) << std::hex << system;
    const auto [language, codePage] = ChooseTranslation({}, 0x040C);
    EXPECT_EQ(language | codePage, 0);
}
