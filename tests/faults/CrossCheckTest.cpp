// Two runs of dalvex2-cli that check each other through the share: each
// reads the other's files through a mount of its own, here faultfs over the
// other's directory, which may spoil what the reader sees. A reader that
// sees anything but the bytes written, or nothing at all within the stall
// limit, fails; either way both directories are left as they were.
#include <gtest/gtest.h>

#include "tests/CliProcess.h"
#include "tests/FaultMount.h"
#include "tests/TempDir.h"

TEST(CrossCheck, EachClientReadsTheOthersFilesAsWritten) {
    const std::string reading = "Contrôle croisé : fichiers d'un autre client relus";
    const struct {
        const char* why;
        std::vector<std::string> faults;  // on the files of b, as a reads them
        bool partner;                     // b runs
        const char* stopAfter;
        int status;  // a's
        json failure;
    } rows[] = {
        {"both sound", {}, true, "6", 0, json()},
        {"a flipped bit",
         {"flip:VXK-1-2:1000:0"},
         true,
         "6",
         1,
         {{"test", reading}, {"category", "data-differ"}, {"position", 1000}}},
        {"a file cut short",
         {"short:VXK-1-1:5000"},
         true,
         "6",
         1,
         {{"test", reading}, {"category", "truncated"}, {"position", 5000}}},
        {"no partner",
         {},
         false,
         "6",
         1,
         {{"test", reading}, {"operation", "CreateFile"}, {"errno", "ENOENT"}}},
        // Over before the stall limit: no failure, and nothing proved.
        {"no partner before the end", {}, false, "3", 3, json()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        FaultMount mount(row.faults);  // a reads b's files through it
        if (!mount.mounted) GTEST_SKIP() << "FUSE, root or faultfs missing";
        TempDir a, tmp;
        const auto run = [&](const std::string& mine, const std::string& theirs,
                             const char* label) {
            return std::make_unique<CliProcess>(
                Strings{mine, "--cross-check", theirs, "--label", label, "--json", "-",
                        "--stop-after", row.stopAfter, "--stall-after", "5", "--quiet"},
                tmp.Path());
        };
        // b writes into the mount's source and reads a's directory.
        const auto b = row.partner ? run(mount.source.Path(), a.Path(), "b") : nullptr;
        const CliResult ra = run(a.Path(), mount.point.Path(), "a")->Wait();
        const json expected = {{"crossCheck", {{"partner", row.partner ? json("b") : json()}}}};
        const json j = CheckRun(ra, row.status, expected, ra.out);
        EXPECT_EQ(j["crossCheck"]["bytesRead"] > 0, row.partner) << j.dump(2);
        if (row.status == 3) {
            EXPECT_EQ(j["failures"].size(), 0u) << j.dump(2);
            const std::string never = "Le test croisé n'a jamais trouvé l'autre client";
            EXPECT_EQ(j["sentence"].get<std::string>().rfind(never, 0), 0u) << j.dump(2);
            EXPECT_NE(ra.err.find(never), std::string::npos) << ra.err;
        }
        if (!row.failure.is_null()) {
            ASSERT_EQ(j["failures"].size(), 1u) << j.dump(2);
            EXPECT_TRUE(Contains(j["failures"][0], row.failure)) << j["failures"].dump(2);
        }
        // b read a's files, unspoilt, as long as a ran: a run that fails
        // stops at once, and takes its files away.
        const CliResult rb = b ? b->Wait() : CliResult{};
        if (b && row.status == 0) CheckRun(rb, 0, {{"crossCheck", {{"partner", "a"}}}}, rb.out);
        for (const std::string& dir : {a.Path(), mount.source.Path(), tmp.Path()}) {
            EXPECT_TRUE(Snapshot(dir).empty()) << Listing(dir).substr(0, 2000);
        }
    }
}
