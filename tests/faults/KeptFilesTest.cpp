// Files kept by a run (--keep) and checked again later by verify, through
// faultfs: after a clean restart of the file system they come back whole and
// can be deleted; a file system that loses unstable writes when it
// restarts, or another program that changes them, is caught and named; a
// run that fails, is cut short, or whose list cannot be written, leaves
// nothing. verify never writes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "tests/CliProcess.h"
#include "tests/Eventually.h"
#include "tests/FaultMount.h"
#include "tests/TempDir.h"

namespace fs = std::filesystem;

namespace {

const std::string kChecking = "Relecture du fichier gardé ";

// Every file of `dir` with its modification and change times: verify must
// leave them all as they were.
std::map<std::string, std::pair<int64_t, int64_t>> Times(const std::string& dir) {
    std::map<std::string, std::pair<int64_t, int64_t>> times;
    for (const auto& e : fs::directory_iterator(dir)) {
        struct stat st {};
        stat(e.path().c_str(), &st);
        times[e.path().filename()] = {st.st_mtim.tv_sec * 1000000000 + st.st_mtim.tv_nsec,
                                      st.st_ctim.tv_sec * 1000000000 + st.st_ctim.tv_nsec};
    }
    return times;
}

// Whether a run has kept a file yet: each test that changes files runs in
// two threads with one prefix, so a third file of one prefix is a kept one.
bool SomeFileKept(const std::string& dir) {
    std::map<std::string, int> perPrefix;
    for (const auto& e : fs::directory_iterator(dir)) {
        if (++perPrefix[e.path().filename().string().substr(0, 3)] >= 3) return true;
    }
    return false;
}

}  // namespace

TEST(KeptFiles, ComeBackWholeAfterARestartOrAreNamed) {
    // What another program does to the kept files once the run is over.
    enum Change { kNone, kAppended, kCut, kRemoved };
    const struct {
        const char* why;
        std::vector<std::string> faults;
        Change change;
        int status;                      // verify's
        std::vector<std::string> kinds;  // of the damage verify may name
    } rows[] = {
        {"a clean restart", {}, kNone, 0, {}},
        {"writes lost at the restart",
         {"unstable:VX"},
         kNone,
         1,
         {"other-write", "end-missing", "end-extra", "zeros", "cut-not-made"}},
        {"files changed by another program", {}, kAppended, 1, {"end-extra"}},
        {"a file cut by another program", {}, kCut, 1, {"end-missing"}},
        {"a file removed by another program", {}, kRemoved, 1, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        FaultMount mount(row.faults);
        if (!mount.mounted) GTEST_SKIP() << "FUSE, root or faultfs missing";
        TempDir tmp, lists;
        const std::string list = lists.File("kept.json");
        const auto [r, j] = RunChecked(
            {mount.point.Path(), "--keep", list, "--sets", "1", "--stop-after", "3", "--quiet"},
            tmp.Path(), 0, json::object(), {tmp.Path()});
        ASSERT_TRUE(j["kept"].is_object()) << j.dump(2);
        const std::vector<std::string> kept = j["kept"]["files"];
        // One file of each test that changes files, in each of the two kinds of access.
        ASSERT_EQ(kept.size(), 12u) << j["kept"].dump(2);
        mount.Unmount();  // the server restarts
        const std::string dir = mount.source.Path();
        std::string names;  // sorted, as Listing gives them
        for (const std::string& name : std::multiset(kept.begin(), kept.end())) names += name + " ";
        EXPECT_EQ(Listing(dir), names) << "the kept files, and nothing else";
        const std::string struck = dir + "/" + kept[0];
        if (row.change == kAppended) std::ofstream(struck, std::ios::app) << "et plus";
        if (row.change == kCut) fs::resize_file(struck, fs::file_size(struck) / 2);
        if (row.change == kRemoved) fs::remove(struck);
        const auto before = Times(dir);
        // Read from the server's own disk: another client, after the restart.
        const auto [rv, v] = RunChecked({"verify", list, "--directory", dir, "--delete", "--quiet"},
                                        tmp.Path(), row.status, json::object(), {tmp.Path()});
        EXPECT_EQ(v["verified"]["files"], j["kept"]["files"]);
        EXPECT_EQ(v["verified"]["deleted"], row.status == 0) << v["verified"].dump(2);
        if (row.status == 0) {
            EXPECT_EQ(Listing(dir), "");
            continue;
        }
        EXPECT_EQ(Times(dir), before) << "verify wrote to the files";
        for (const json& f : v["failures"]) {
            const std::string test = f["test"];
            EXPECT_TRUE(test.starts_with(kChecking)) << test;
            if (row.change != kNone) {
                EXPECT_EQ(test, kChecking + kept[0]);
            }
            if (row.change == kRemoved) {
                EXPECT_EQ(f["errnoName"], "ENOENT") << f.dump(2);
            }
            if (row.kinds.empty()) continue;
            const std::string kind = f["damage"].is_object() ? f["damage"]["kind"] : "";
            EXPECT_NE(std::find(row.kinds.begin(), row.kinds.end(), kind), row.kinds.end())
                << f.dump(2);
        }
    }
}

// A run that fails keeps nothing, and neither does one cut short or one
// whose list cannot be written at its end: each deletes the files it had kept.
TEST(KeptFiles, ARunThatDoesNotEndOkLeavesNothing) {
    enum End { kTimeUp, kAborted, kListLost };
    const struct {
        const char* why;
        std::vector<std::string> faults;
        End end;
        int status;
    } rows[] = {
        // The third file made by the overwriting threads follows a kept one.
        {"a file that cannot be made", {"fail:create:3:EIO:VXO"}, kTimeUp, 1},
        {"two stops", {}, kAborted, 3},
        {"the list's folder went away", {}, kListLost, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        FaultMount mount(row.faults);
        if (!mount.mounted) GTEST_SKIP() << "FUSE, root or faultfs missing";
        TempDir tmp;
        auto lists = std::make_unique<TempDir>();
        const std::string list = lists->File("kept.json");
        Strings args{mount.point.Path(), "--keep", list, "--sets", "1", "--quiet", "--json", "-"};
        if (row.end == kTimeUp) args.insert(args.end(), {"--stop-after", "4"});
        if (row.end != kTimeUp) args.push_back("--until-stopped");
        // Cycles of some 45 MB outlast the gap between two stops.
        if (row.end == kAborted) args.insert(args.end(), {"--space", "1000"});
        CliProcess run(args, tmp.Path());
        if (row.end != kTimeUp) {
            ASSERT_TRUE(Eventually([&] { return SomeFileKept(mount.source.Path()); }, 60000))
                << Listing(mount.source.Path());
        }
        if (row.end == kListLost) lists.reset();
        if (row.end != kTimeUp) run.Signal(SIGINT);
        if (row.end == kAborted) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            run.Signal(SIGINT);
        }
        const CliResult r = run.Wait();
        EXPECT_EQ(r.status, row.status) << r.err;
        if (row.end == kListLost) {
            EXPECT_NE(r.err.find("Impossible d'écrire " + list), std::string::npos) << r.err;
        }
        const json j = ParseResult(r.out);
        EXPECT_TRUE(j["kept"].is_null()) << j.dump(2);
        EXPECT_EQ(Listing(mount.source.Path()), "");
        EXPECT_NE(access(list.c_str(), F_OK), 0);
    }
}
