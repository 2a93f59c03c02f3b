// dalvex2-cli run for real, end to end, on real file systems.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/CliProcess.h"
#include "tests/TempDir.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const std::string kNotNetwork = "Le chemin que vous avez indiqué n'est pas un chemin réseau.";
const std::string kTempTest = "Test d'écriture dans le répertoire Temp";

// One run of the program and what its result must hold.
struct CliCase {
    const char* name;
    // "shm" (a fresh directory with a stranger's file in it), "tmpfs:SIZE[:OPTIONS]",
    // "file" (a file in place of the directory), "loop" (a symbolic link to
    // itself) or the raw name of a directory under the work directory.
    std::string dir;
    const char* tmpdir;  // "" or the size of a tmpfs that becomes $TMPDIR
    std::vector<std::string> args;
    int status;
    json result;  // members the result holds
    json each;    // members every failure holds; then every failure is on the server
    json some;    // members one failure at least holds
    std::vector<std::string> said;
};

const CliCase kRuns[] = {
    {"HealthyFiveSets", "shm", "", {"--sets", "5", "--stop-after", "2"}, 0,
     {{"result", "ok"}, {"ending", "time-up"}, {"networkPath", false},
      {"settings", {{"simultaneousTests", 5}, {"diskSpaceMb", 30}}}}, {}, {},
     {kNotNetwork, "Le test a réussi"}},
    // 4096 MB a thread once wrapped to nothing and a run that wrote nothing was
    // "ok": each test now writes its 4095 MB until the disk is full.
    {"FullDisk", "tmpfs:64m", "", {"--space", "40960", "--report-dir", "@reports"}, 1,
     {{"result", "failed"}, {"ending", "failure"}}, {},
     {{"category", "disk-full"}, {"winerr", 112}, {"errno", ENOSPC}, {"errorKind", 1},
      {"message", "Espace insuffisant sur le disque."}, {"expected", nullptr}},
     {"au plus 4095 Mo", "Une erreur s'est produite", "=== Test 0 ===", "Le disque dur est plein !"}},
    {"FullTemporaryDirectory", "shm", "64k", {}, 1, {{"result", "failed"}}, {},
     {{"operation", "CopyFile"}, {"winerr", 112}}, {}},
    {"MissingDirectory", "missing", "", {}, 1, {{"result", "failed"}, {"ending", "failure"}},
     {{"category", "io-error"}, {"operation", "GetTempFileName"}, {"winerr", 3}, {"errno", ENOENT},
      {"message", "Le chemin d'accès spécifié est introuvable."}}, {}, {}},
    {"AFileInItsPlace", "file", "", {}, 1, {{"result", "failed"}},
     {{"operation", "GetTempFileName"}, {"winerr", 3}, {"errno", ENOTDIR}}, {}, {}},
    {"ReadOnlyMount", "tmpfs:1m:ro", "", {}, 1, {{"result", "failed"}},
     {{"operation", "GetTempFileName"}, {"winerr", 19}, {"errno", EROFS}}, {}, {}},
    // Names that must not reach another directory: an overlong '/' (not x/y),
    // an overlong NUL (not z), backslashes (not b).
    {"OverlongSlash", "x\xC0\xAFy", "", {}, 1, {{"result", "failed"}}, {{"winerr", 123}, {"errno", nullptr}}, {}, {}},
    {"OverlongNul", "z\xC0\x80", "", {}, 1, {{"result", "failed"}}, {{"winerr", 123}, {"errno", nullptr}}, {}, {}},
    {"Backslashes", "a\\..\\b", "", {}, 1, {{"result", "failed"}}, {{"winerr", 123}, {"errno", nullptr}}, {}, {}},
    {"SymbolicLinkLoop", "loop", "", {}, 1, {{"result", "failed"}},
     {{"winerr", 1117}, {"errno", ELOOP},
      {"message", "La requête n'a pas pu être exécutée en raison d'une erreur de périphérique "
                  "d'E/S. (ELOOP : Too many levels of symbolic links)"}}, {}, {}},
};

void PrintTo(const CliCase& c, std::ostream* os) { *os << c.name; }

class CliRun : public testing::TestWithParam<CliCase> {
protected:
    TempDir tmp;   // the program's temporary directory
    TempDir work;  // what the tests ask the program to write, and its neighbours
    TempDir shm{"/dev/shm"};
    TempDir loops;
};

}  // namespace

TEST_P(CliRun, EndsWithTheResultItsDirectoryCalledFor) {
    const CliCase& c = GetParam();
    std::unique_ptr<TmpfsMount> mount, tmpfsTemp;
    std::string dir = work.File(c.dir);
    if (c.dir.rfind("tmpfs:", 0) == 0) {
        const std::size_t colon = c.dir.find(':', 6);
        mount = std::make_unique<TmpfsMount>(c.dir.substr(6, colon - 6),
                                             colon == std::string::npos ? "" : c.dir.substr(colon + 1));
        dir = mount->Path();
    } else if (c.dir == "shm") {
        dir = shm.Path();
        WriteFile(dir + "/VXR0001.TMP", "someone else's");
    } else if (c.dir == "file") {
        WriteFile(dir, "a file");
    } else if (c.dir == "loop") {  // kept out of the work directory, whose snapshot cannot walk it
        dir = loops.File("loop");
        fs::create_symlink(dir, dir);
    } else if (c.dir != "missing") {
        fs::create_directory(dir);
    }
    if (*c.tmpdir) tmpfsTemp = std::make_unique<TmpfsMount>(c.tmpdir, "", tmp.Path());
    if ((mount && !mount->Mounted()) || (tmpfsTemp && !tmpfsTemp->Mounted())) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    fs::create_directories(work.File("x/y"));
    fs::create_directory(work.File("b"));
    const auto before = Snapshot(dir), around = Snapshot(work.Path());

    std::vector<std::string> args{dir, "--json", work.File("result.json")};
    for (const std::string& a : c.args) args.push_back(a[0] == '@' ? work.File(a.substr(1)) : a);
    const CliResult r = CliProcess::Run(args, tmp.Path());
    EXPECT_EQ(r.status, c.status) << r.err;
    const json j = ParseResult(ReadFile(work.File("result.json")));
    EXPECT_TRUE(Contains(j, c.result)) << j.dump(2);
    EXPECT_TRUE(IsIso8601(j["startedAt"])) << j["startedAt"];
    if (j["result"] == "ok") {
        EXPECT_EQ(j["directory"], dir);
        EXPECT_EQ(j["tempDirectory"], tmp.Path() + "/");
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        EXPECT_EQ(j["host"], host);
        EXPECT_GT(j["bytesWritten"].get<uint64_t>(), 0u);
        EXPECT_EQ(j["bytesWritten"], j["bytesRead"]) << "a graceful stop reads back all it wrote";
        EXPECT_TRUE(j["failures"].empty());
    } else {
        ASSERT_FALSE(j["failures"].empty()) << j.dump(2);
        EXPECT_EQ(j["failures"][0]["errorKind"], 1) << "failed calls first";
    }
    bool some = c.some.empty();
    for (const json& f : j["failures"]) {
        EXPECT_TRUE(IsIso8601(f["localTime"])) << f["localTime"];
        EXPECT_TRUE(f["testTimeMs"].is_number_unsigned());
        some |= Contains(f, c.some);
        if (c.each.empty()) continue;
        EXPECT_TRUE(Contains(f, c.each)) << f.dump(2);
        EXPECT_NE(f["test"], kTempTest) << "the Temp test works in the temporary directory";
    }
    EXPECT_TRUE(some) << j.dump(2);
    for (const std::string& text : c.said) EXPECT_NE((r.out + r.err).find(text), std::string::npos) << text;
    if (fs::is_directory(work.File("reports"))) {  // one whole document per failure
        std::size_t files = 0;
        for (const auto& e : fs::directory_iterator(work.File("reports"))) {
            ++files;
            EXPECT_EQ(ReadFile(e.path()).rfind("{\\rtf1", 0), 0u);
            EXPECT_EQ(ReadFile(e.path()).find("%tstdir%"), std::string::npos);
        }
        EXPECT_EQ(files, j["failures"].size());
        fs::remove_all(work.File("reports"));
    }
    fs::remove(work.File("result.json"));
    EXPECT_EQ(Snapshot(dir), before) << "nothing written, nothing left behind";
    if (c.dir == "missing") {
        EXPECT_FALSE(fs::exists(dir)) << "never made";
    }
    EXPECT_EQ(Snapshot(work.Path()), around) << Listing(work.Path());
    EXPECT_TRUE(Snapshot(tmp.Path()).empty()) << Listing(tmp.Path());
}

INSTANTIATE_TEST_SUITE_P(Directories, CliRun, testing::ValuesIn(kRuns),
                         [](const auto& info) { return std::string(info.param.name); });

namespace {

class CliProgram : public testing::Test {
protected:
    CliResult Run(const std::vector<std::string>& args) { return CliProcess::Run(args, tmp.Path()); }

    TempDir tmp;
    TempDir work;
    TempDir dir{"/dev/shm"};
};

}  // namespace

TEST_F(CliProgram, BadUsageExitsWithTwo) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"/tmp", "--sets", "beaucoup"}, {"/tmp", "--nope"}}) {
        const CliResult r = Run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("Usage : dalvex2-cli"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    const CliResult help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--stop-after"), std::string::npos);
    EXPECT_EQ(Run({"--version"}).out, "dalvex2-cli 2.0.0\n");
}

// The first signal stops after the cycle, the second aborts, the third ends
// the program on the spot. Only a run that read back what it wrote, and was
// not cut short, is "ok". Times count from the moment the program is about to
// start its threads, which wait 500 ms before their first cycle.
TEST_F(CliProgram, SignalsEndTheRunTruthfully) {
    const struct {
        std::vector<int> signals;
        int afterMs;
        const char* spaceMb;
        int status;  // -1: killed by the last signal
        const char* ending;
        const char* result;
    } cases[] = {
        {{SIGTERM}, 0, "30", 3, "stopped", "interrupted"},  // nothing was read back yet
        {{SIGHUP}, 0, "30", 3, "stopped", "interrupted"},   // a closed terminal, the same
        {{SIGINT}, 1000, "30", 0, "stopped", "ok"},
        // Cycles of 100 MB outlast the gap between the two signals.
        {{SIGINT, SIGINT}, 1000, "1000", 3, "aborted", "interrupted"},
        {{SIGINT, SIGINT, SIGINT}, 0, "30", -1, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        CliProcess cli({dir.Path(), "--until-stopped", "--space", c.spaceMb, "--json", "-"}, tmp.Path());
        ASSERT_TRUE(cli.WaitForError(kNotNetwork));
        std::this_thread::sleep_for(std::chrono::milliseconds(c.afterMs));
        for (int s : c.signals) {
            cli.Signal(s);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const CliResult r = cli.Wait();
        SCOPED_TRACE(std::to_string(c.signals.size()) + "x" + std::to_string(c.signals[0]) + " " + r.err);
        if (c.status == -1) {
            EXPECT_EQ(r.signal, c.signals.back());
            continue;  // ended on the spot: files may stay, that is the point
        }
        EXPECT_EQ(r.status, c.status);
        const json j = ParseResult(r.out);
        EXPECT_EQ(j["ending"], c.ending);
        EXPECT_EQ(j["result"], c.result);
        if (c.result == std::string("ok")) {
            EXPECT_EQ(j["bytesWritten"], j["bytesRead"]);
        }
        EXPECT_TRUE(fs::is_empty(dir.Path())) << Listing(dir.Path());
        EXPECT_TRUE(fs::is_empty(tmp.Path())) << Listing(tmp.Path());
    }
    fs::remove_all(dir.Path());  // what the killed run may have left
    fs::create_directory(dir.Path());
}

// The result reaches its reader whole, or the exit status says it did not;
// a reader of the text that goes away costs nothing; a run that could not
// start leaves an earlier result as it was.
TEST_F(CliProgram, TheResultIsDeliveredOrTheExitSaysSo) {
    const std::string earlier = "{\"result\": \"earlier\"}\n";
    const std::string json = work.File("result.json");
    WriteFile(work.File("plain"), "x");
    WriteFile(json, earlier);
    EXPECT_EQ(Run({dir.Path(), "--json", json, "--report-dir", work.File("plain/r")}).status, 2);
    EXPECT_EQ(ReadFile(json), earlier);

    const CliResult full = Run({dir.Path(), "--stop-after", "1", "--json", "/dev/full"});
    EXPECT_EQ(full.status, 2) << "the run went well, but nobody can know it";
    EXPECT_NE(full.err.find("Impossible d'écrire /dev/full"), std::string::npos) << full.err;

    // dalvex2-cli … | head -n1: the rest of the text has nowhere to go.
    EXPECT_EQ(CliProcess({dir.Path(), "--stop-after", "2", "--json", json}, tmp.Path(), true).Wait().status, 0);
    EXPECT_EQ(ParseResult(ReadFile(json))["result"], "ok");
    EXPECT_EQ(CliProcess({dir.Path(), "--stop-after", "2", "--json", "-"}, tmp.Path(), true).Wait().status, 2)
        << "the JSON had nowhere to go";

    TmpfsMount tiny("4k");
    if (tiny.Mounted()) {
        // No room left beside the earlier result: it must stay whole.
        const std::string onTiny = tiny.Path() + "/result.json";
        WriteFile(onTiny, earlier + std::string(4096 - earlier.size(), ' '));
        const std::string kept = ReadFile(onTiny);
        EXPECT_EQ(Run({dir.Path(), "--stop-after", "1", "--json", onTiny}).status, 2);
        EXPECT_EQ(ReadFile(onTiny), kept);
        EXPECT_EQ(Listing(tiny.Path()), "result.json ");
    }
    EXPECT_TRUE(fs::is_empty(dir.Path()));
    EXPECT_TRUE(fs::is_empty(tmp.Path()));
}
