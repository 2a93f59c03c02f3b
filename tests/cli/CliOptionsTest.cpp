#include "cli/CliOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Parsed {
    bool ok;
    CliOptions options;
    std::string error;
    std::string notes;
};

Parsed Parse(std::vector<const char*> args) {
    args.insert(args.begin(), "dalvex2-cli");
    Parsed p{false, {}, {}, {}};
    p.ok = p.options.Parse(static_cast<int>(args.size()), args.data(), &p.error, &p.notes);
    return p;
}

}  // namespace

TEST(CliOptionsTest, DefaultsAreTheWizards) {
    const Parsed p = Parse({"/mnt/partage"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.action, CliOptions::kRun);
    EXPECT_EQ(p.options.prefs.directory, "/mnt/partage");
    EXPECT_EQ(p.options.prefs.diskSpaceMb, 30u);
    EXPECT_EQ(p.options.prefs.simultaneousTests, 1u);
    EXPECT_EQ(p.options.prefs.durationMinutes, 5u);
    EXPECT_EQ(p.options.prefs.threadPriority, -1);
    EXPECT_TRUE(p.notes.empty());
}

TEST(CliOptionsTest, EveryOption) {
    const Parsed p = Parse({"--space", "100", "--sets", "3", "--minutes", "10", "--normal-priority",
                            "--stop-after", "8", "--json", "-", "--report-dir", "/tmp/r", "--quiet",
                            "/srv/donn\xC3\xA9"
                            "es"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.prefs.diskSpaceMb, 100u);
    EXPECT_EQ(p.options.prefs.simultaneousTests, 3u);
    EXPECT_EQ(p.options.prefs.durationMinutes, 10u);
    EXPECT_EQ(p.options.prefs.threadPriority, 0);
    EXPECT_EQ(p.options.stopAfterSeconds, 8u);
    EXPECT_EQ(p.options.jsonPath, "-");
    EXPECT_EQ(p.options.reportDir, "/tmp/r");
    EXPECT_TRUE(p.options.quiet);
    EXPECT_EQ(p.options.prefs.directory,
              "/srv/donn\xE9"
              "es")
        << "held as Windows-1252";
    EXPECT_EQ(Parse({"d", "--until-stopped"}).options.prefs.durationMinutes,
              CDVXPrefs::UntilStopped);
}

TEST(CliOptionsTest, ValuesAfterAnEqualsSignAndTheEndOfOptions) {
    const Parsed p = Parse({"--space=100", "--json=--odd name", "-q", "--", "-dir"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.prefs.diskSpaceMb, 100u);
    EXPECT_EQ(p.options.jsonPath, "--odd name") << "after '=' a value is taken as it is";
    EXPECT_TRUE(p.options.quiet);
    EXPECT_EQ(p.options.prefs.directory, "-dir");
    EXPECT_EQ(Parse({"d", "-h"}).options.action, CliOptions::kHelp);
    const std::string usage = CliOptions::Usage();
    for (const char* shown : {"-h, --help", "-q, --quiet", "--json FICHIER|-", "--stop-after S"}) {
        EXPECT_NE(usage.find(shown), std::string::npos) << shown << "\n" << usage;
    }
}

TEST(CliOptionsTest, TheWizardsLimitsHoldAndAreMentioned) {
    const Parsed p = Parse({"d", "--space", "2", "--sets", "9", "--minutes", "1"});
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.options.prefs.diskSpaceMb, 10u);
    EXPECT_EQ(p.options.prefs.simultaneousTests, 5u);
    EXPECT_EQ(p.options.prefs.durationMinutes, 3u);
    EXPECT_NE(p.notes.find("10 Mo"), std::string::npos);
    EXPECT_NE(p.notes.find("5"), std::string::npos);
    EXPECT_NE(p.notes.find("3 minutes"), std::string::npos);
    // A thread's share of more than 4095 MB would not fit its 32-bit count.
    EXPECT_NE(Parse({"d", "--space", "40960"}).notes.find("4095 Mo"), std::string::npos);
    EXPECT_TRUE(Parse({"d", "--space", "40959"}).notes.empty());
}

TEST(CliOptionsTest, BadCommandLinesAreRefusedWithAReason) {
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"--sets"},
        {"d", "--sets", "x"},
        {"d", "--sets", "-1"},
        {"d", "--space", "99999999999"},
        {"d", "--minutes", "3.5"},
        {"d", "--stop-after", "0"},
        {"d", "--json"},
        {"d", "--json", "--quiet"},  // an option is no file name
        {"d", "--json="},
        {"d", "--quiet=yes"},
        {"d", "--frobnicate"},
        {"--", "d", "e"},
        {"d", "e"},
        {""},
    };
    for (const auto& args : bad) {
        const Parsed p = Parse(args);
        EXPECT_FALSE(p.ok) << (args.empty() ? "(none)" : args.back());
        EXPECT_FALSE(p.error.empty());
    }
    EXPECT_EQ(Parse({"--help"}).options.action, CliOptions::kHelp);
    EXPECT_EQ(Parse({"d", "--version"}).options.action, CliOptions::kVersion);
}
