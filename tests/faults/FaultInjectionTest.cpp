// Each fault of faults.json, injected by faultfs under a real run of
// dalvex2-cli: the run must end as the row says (a fault never as a success),
// with the right report, and leave nothing behind. And a share that stops
// answering.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "tests/CliProcess.h"
#include "tests/Eventually.h"
#include "tests/FaultMount.h"
#include "tests/TempDir.h"

namespace {

class FaultInjection : public testing::TestWithParam<TableRow> {};

}  // namespace

TEST_P(FaultInjection, IsCaughtAndReported) {
    const json& c = GetParam().data;
    SCOPED_TRACE(c.value("why", ""));
    FaultMount mount(c["faults"].get<std::vector<std::string>>());
    if (!mount.mounted) GTEST_SKIP() << "FUSE, root or faultfs missing";
    TempDir tmp;
    const std::string temp = c.value("tempOnMount", false) ? mount.point.Path() : tmp.Path();
    const int status = c["status"];
    // Until it fails, or for 3 s when the fault must be overcome.
    std::vector<std::string> args{mount.point.Path(), "--stop-after", status ? "20" : "3",
                                  "--quiet"};
    for (const json& a : c.value("args", json::array())) args.push_back(a);
    const auto [r, j] = RunChecked(args, temp, status, json::object(), {mount.source.Path(), temp});
    std::vector<json> found;
    for (const json& f : j["failures"]) {
        if (f["test"] == c["test"]) found.push_back(f);
    }
    ASSERT_EQ(found.empty(), status == 0) << j.dump(2);
    // The mount was left as found: no file may be named, not even one whose
    // create failed.
    EXPECT_EQ(j["leftFiles"], json::array()) << j.dump(2);
    // Data go wrong in every file of the kind; a failed call is one call.
    if (status && c["faults"][0].get<std::string>().starts_with("fail:")) {
        EXPECT_EQ(found.size(), 1u) << j.dump(2);
    }
    const uint32_t step = c.value("step", 0u);
    for (const json& f : found) {
        EXPECT_TRUE(Contains(f, c["failure"])) << f.dump(2);
        const uint32_t position = f["position"];
        EXPECT_TRUE(position <= 3145728 && (step == 0 || position % step == 0)) << position;
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultInjection, testing::ValuesIn(ReadTable(DALVEX_FAULTS_TABLE)),
                         RowName);

namespace {

// Processes with a thread that is not a zombie, whose command line holds
// `text` and `more`. A killed process whose threads wait on the kernel has a
// zombie for its first thread already, and no command line of its own: each
// thread is read.
int ProcessesNaming(const std::string& text, const std::string& more = "--stall-after") {
    int count = 0;
    std::error_code error;
    for (const auto& process : std::filesystem::directory_iterator("/proc", error)) {
        const std::string pid = process.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        for (const auto& task :
             std::filesystem::directory_iterator(process.path() / "task", error)) {
            const std::string args = ReadFile(task.path() / "cmdline");
            const std::string line = ReadFile(task.path() / "stat");
            const std::size_t state = line.rfind(')');
            if (args.find(text) != std::string::npos && args.find(more) != std::string::npos &&
                state != std::string::npos && line.substr(state + 2, 1) != "Z") {
                ++count;
                break;
            }
        }
    }
    return count;
}

}  // namespace

// A share that stops answering: the program gives its verdict soon after the
// stall limit, with the stalled call, its file and the files left behind, or
// at once at the third interrupt, while the process that ran the tests is
// still stuck on the share; so too when the checks before the run get no
// answer. Once the share answers, that process goes, and the files it named
// are the only ones left: a create that the share held, then made, among
// them.
TEST(StalledShare, TheProgramAlwaysReturns) {
    using Clock = std::chrono::steady_clock;
    const struct {
        const char* name;
        const char* fault;
        const char* under;  // the run's directory in the mount
        bool interrupt;
        json failure;  // the first one's members
    } cases[] = {
        {"a write",
         "stall:write:VXZ",
         "",
         false,
         {{"operation", "WriteFile"},
          {"test", "Test d'écriture d'un bloc contenant uniquement zéro"}}},
        {"three interrupts", "stall:write:VXZ", "", true, nullptr},
        {"the checks",
         "stall:getattr:sub",
         "/sub",
         false,
         {{"operation", "GetFileAttributes"}, {"test", "Vérification du répertoire"}}},
        // The system holds the directory for the create it waits on: the
        // other tests' creates wait behind it, and never reach the share.
        {"a create", "stall:create:VXZ", "", false, {{"operation", "GetTempFileName"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FaultMount mount({c.fault});
        if (!mount.mounted) GTEST_SKIP() << "FUSE, root or faultfs missing";
        std::filesystem::create_directory(mount.source.File("sub"));
        const std::string dir = mount.point.Path() + c.under;
        TempDir tmp;
        const auto started = Clock::now();
        CliProcess cli({dir, "--stall-after", c.interrupt ? "60" : "5", "--json", "-"}, tmp.Path());
        if (c.interrupt) {
            // The status line names the tests that wait; then three interrupts.
            ASSERT_TRUE(
                cli.WaitForError("Sans réponse : Test d'écriture d'un bloc contenant "
                                 "uniquement zéro"));
            for (int i = 0; i < 3; ++i) {
                cli.Signal(SIGINT);
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        const auto asked = Clock::now();
        const CliResult r = cli.Wait(30000);
        const json j = CheckRun(r, c.interrupt ? 3 : 1, json::object(), r.out);
        EXPECT_LT(Clock::now() - (c.interrupt ? asked : started),
                  std::chrono::seconds(c.interrupt ? 2 : 10));
        EXPECT_GE(ProcessesNaming(mount.point.Path()), 1) << "the tests' process is still stuck";
        if (!c.interrupt) {
            const json& f = j["failures"][0];
            EXPECT_TRUE(Contains(f, c.failure) && f["stalledSeconds"] >= 5 &&
                        f["file"].get<std::string>().starts_with(dir))
                << j.dump(2);
            // A file the share was making when it stopped answering is named.
            const bool onDirectory = f["operation"] == "GetFileAttributes";
            EXPECT_TRUE(onDirectory ||
                        std::count(j["leftFiles"].begin(), j["leftFiles"].end(), f["file"]) == 1)
                << j.dump(2);
        }
        mount.Release();
        EXPECT_TRUE(Eventually([&] { return ProcessesNaming(mount.point.Path()) == 0; }, 10000))
            << "the share answered: it went";
        // Every file named is there; cut short at any point, a test may also
        // have been making one, or deleting one.
        for (const json& name : j["leftFiles"]) {
            const std::string file = name;
            if (!file.starts_with(mount.point.Path())) continue;
            // A name listed may have no file: its create never reached the share.
            const bool unmade =
                c.interrupt || std::string_view(c.fault).starts_with("stall:create");
            const bool gone = unlink(file.c_str()) == 0 || (unmade && errno == ENOENT);
            EXPECT_TRUE(gone) << file;
        }
        if (!c.interrupt) {
            // A file deleted while the killed process still held it open is
            // kept hidden until the system's closes reach the file system.
            EXPECT_TRUE(Eventually([&] { return Listing(mount.source.Path()) == "sub "; }, 5000))
                << "nothing but those: " << Listing(mount.source.Path());
        }
        if (c.failure.is_object() && c.failure["operation"] == "WriteFile") {
            EXPECT_NE(r.err.find("Fichiers restés en place :\n  " + mount.point.Path()),
                      std::string::npos);
        }
    }
}

// The run's directory removed on the server while the tests hold files there,
// as another client may: the tests fail, and the files they could no longer
// delete, being gone, are not named as left behind.
TEST(RemovedDirectory, NamesNoFileThatIsGone) {
    FaultMount mount({});
    if (!mount.mounted) GTEST_SKIP() << "FUSE, root or faultfs missing";
    const std::string sub = mount.source.File("sub");
    std::filesystem::create_directory(sub);
    TempDir tmp;
    CliProcess cli({mount.point.Path() + "/sub", "--stop-after", "20", "--json", "-"}, tmp.Path());
    // Once most tests hold a file there (the check before the run makes one
    // too, alone); they keep making files until the directory is gone.
    const auto files = [&sub] {
        std::error_code error;
        return std::distance(std::filesystem::directory_iterator(sub, error), {});
    };
    Eventually([&] { return files() >= 6; }, 10000);
    std::error_code error;
    Eventually([&] { return std::filesystem::remove_all(sub, error) != UINTMAX_MAX; }, 5000);
    const CliResult r = cli.Wait(30000);
    const json j = CheckRun(r, 1, json::object(), r.out);
    EXPECT_EQ(j["leftFiles"], json::array()) << j.dump(2);
    EXPECT_EQ(r.err.find("Fichiers restés en place"), std::string::npos) << r.err;
}
