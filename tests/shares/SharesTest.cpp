// dalvex2-cli on real network shares of this machine: Samba through smbnetfs
// and SSH through sshfs, brought up once for the suite by shares.sh.
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>

#include <memory>
#include <string>

#include "tests/CliProcess.h"
#include "tests/TempDir.h"
#include "tests/shares/MountPath.h"

namespace fs = std::filesystem;

namespace {

class Shares : public testing::TestWithParam<std::tuple<const char*, TableRow>> {};

}  // namespace

// Every run, or refusal, leaves the share (files that look like the program's
// own among them) and the temporary directory as they were.
TEST_P(Shares, EndAsExpectedAndLeaveTheShareAsItWas) {
    const auto& [kind, row] = GetParam();
    const json& c = row.data;
    SCOPED_TRACE(c.value("why", ""));
    const std::string state = DALVEX_SHARES_STATE;
    if (fs::exists(state + "/skipped")) GTEST_SKIP() << ReadFile(state + "/skipped");
    const std::string root = MountPath(state + "/" + kind + ".path");
    ASSERT_FALSE(root.empty()) << "the " << kind << " share is not up";
    const std::string mine = root + "/" + c["name"].get<std::string>();
    fs::create_directory(mine);
    WriteFile(mine + "/VXR1234.tmp", "pas à nous");
    WriteFile(mine + "/VXZ00A1.TMP", std::string(70000, 'z'));
    TempDir tmp(c.value("tempOnShare", false) ? root : "");
    WriteFile(tmp.File("VXC0001.TMP"), "local stranger");
    std::vector<std::string> args{mine + c.value("subdir", ""), "--quiet"};
    for (const std::string a : c["args"]) args.push_back(a);
    if (c["status"] == 2) {
        ExpectRefused(args, tmp.Path(), c["said"], tmp.File("r.json"));
    } else {
        json expected = c["result"];
        expected["networkPath"] = true;
        RunChecked(args, tmp.Path(), c["status"], expected, {mine, tmp.Path()});
    }
    fs::remove_all(mine);
}

INSTANTIATE_TEST_SUITE_P(
    RealShares, Shares,
    testing::Combine(testing::Values("smb", "sshfs"),
                     testing::ValuesIn(ReadTable(DALVEX_SHARES_RUNS))),
    [](const auto& info) {
        return std::get<0>(info.param) + RowName({std::get<1>(info.param), info.index});
    });

namespace {

class ClientPairs : public testing::TestWithParam<const char*> {};

}  // namespace

// Two clients of one server, each on a mount of its own, check each other's
// files. Clients that send what is written on at once pass; those that keep
// it in a local cache are refused unless allowed, and then the cross-check
// finds out what the other client does not see.
TEST_P(ClientPairs, ReadEachOthersFilesThroughTheirOwnMounts) {
    const std::string kind = GetParam();
    const bool caching = kind == "rclone" || kind == "davfs";
    const std::string state = DALVEX_SHARES_STATE;
    if (fs::exists(state + "/skipped")) GTEST_SKIP() << ReadFile(state + "/skipped");
    const std::string one = MountPath(state + "/" + kind + ".path"),
                      two = MountPath(state + "/" + kind + ".path2");
    ASSERT_FALSE(one.empty() || two.empty()) << "the " << kind << " mounts are not up";
    const std::string x = "pair-a", y = "pair-b";
    for (const std::string& dir : {x, y}) {
        fs::create_directory(one + "/" + dir);
        // A client that caches the listing may show it late: or make it there too.
        for (int i = 0; i < 100 && !fs::exists(two + "/" + dir); ++i) usleep(100000);
        std::error_code ignored;
        fs::create_directory(two + "/" + dir, ignored);
    }
    TempDir tmp;
    // What a client should see at once, it sees within the stall limit. For a
    // client with a cache, 5 s: shorter than its delays (rclone writes back
    // after 5 s and a second mount lists a new name only after 5 minutes;
    // davfs2 uploads after 10 s). For the others, room for a share busy with
    // the other tests: the reader waits for the first round no longer than
    // the stall limit, and on a loaded machine the writer, sharing the share
    // with its own tests, has taken 10 s to write it.
    const Strings common{"--stop-after",
                         caching ? "8" : "20",
                         "--stall-after",
                         caching ? "5" : "15",
                         "--quiet",
                         "--json",
                         "-"};
    if (caching) {
        const CliResult refused = CliProcess::Run({one + "/" + x, "--json", "-"}, tmp.Path());
        EXPECT_EQ(refused.status, 2) << refused.out << refused.err;
        EXPECT_TRUE(refused.out.empty()) << "no result for a run that did not start";
        EXPECT_NE(refused.err.find("cache local (fuse"), std::string::npos) << refused.err;
    }
    const auto run = [&](const std::string& mine, const std::string& theirs, const char* label) {
        Strings args{mine, "--cross-check", theirs, "--label", label};
        if (caching) args.push_back("--allow-cache");
        args.insert(args.end(), common.begin(), common.end());
        return std::make_unique<CliProcess>(args, tmp.Path());
    };
    // Clients that pass check twice in a row: what a mount still remembers
    // of the first check's files must not spoil the second.
    for (int pass = caching ? 1 : 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "first check" : "check right after");
        auto a = run(one + "/" + x, one + "/" + y, "a");
        auto b = run(two + "/" + y, two + "/" + x, "b");
        const CliResult ra = a->Wait(), rb = b->Wait();
        const json ja = ParseResult(ra.out), jb = ParseResult(rb.out);
        const std::string reading = "Contrôle croisé : fichiers d'un autre client relus";
        int pairsFailed = 0;
        for (const json& j : {ja, jb}) {
            EXPECT_EQ(j["cachesWrites"], caching) << j.dump(2);
            EXPECT_EQ(j["serverProven"], !caching) << j.dump(2);
            for (const json& f : j["failures"]) pairsFailed += f["test"] == reading;
        }
        if (caching) {
            EXPECT_GT(pairsFailed, 0) << ja.dump(2) << jb.dump(2);
        } else {
            CheckRun(ra, 0, {{"crossCheck", {{"partner", "b"}}}}, ra.out);
            CheckRun(rb, 0, {{"crossCheck", {{"partner", "a"}}}}, rb.out);
        }
    }
    // A caching client's view of the directories is its cache: they are
    // emptied on the server itself.
    const std::string server =
        state + "/" + kind + (kind == "rclone" ? "/server/export" : "/export");
    for (const std::string& dir : {x, y}) {
        if (!caching) {
            EXPECT_TRUE(fs::is_empty(one + "/" + dir)) << Listing(one + "/" + dir);
        }
        std::error_code ignored;
        fs::remove_all(caching ? server + "/" + dir : one + "/" + dir, ignored);
    }
}

INSTANTIATE_TEST_SUITE_P(RealShares, ClientPairs,
                         testing::Values("smb", "sshfs", "rclone", "davfs"),
                         [](const auto& info) { return std::string(info.param); });
