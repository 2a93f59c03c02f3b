// dalvex2-cli run for real, end to end, on real file systems.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "engine/CDVXThreadData.h"
#include "tests/CliProcess.h"
#include "tests/TempDir.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

const std::string kNotNetwork = "Le chemin que vous avez indiqué n'est pas un chemin réseau.";

// The program's temporary directory, the files it is asked to write and their
// neighbours, a directory on tmpfs and one for symbolic links.
struct Dirs {
    TempDir tmp, work, shm{"/dev/shm"}, loops;
};

class CliRun : public testing::TestWithParam<TableRow>, protected Dirs {};
class CliProgram : public testing::Test, protected Dirs {
protected:
    CliResult Run(const std::vector<std::string>& args) {
        return CliProcess::Run(args, tmp.Path());
    }
};

}  // namespace

// One row of runs.json: the directory it names ("shm": a fresh one with a
// stranger's file in it; "file": a file in its place; "loop": a link to
// itself; "missing"; else a name, raw bytes in "dirHex"; or a "tmpfs" of that
// size mounted with "mountOptions"),
// $TMPDIR on a tmpfs of "tmpdir" bytes, or written with a "tmpdirSuffix", and what the result
// holds: "result", members of "each" failure (all then on the server), of "some" failure (or of
// one of a list of them), and texts
// "said" on the terminal. Nothing is written or left anywhere else.
TEST_P(CliRun, EndsWithTheResultItsDirectoryCalledFor) {
    const json& c = GetParam().data;
    SCOPED_TRACE(c.value("why", ""));
    std::string name = c.value("dir", "");
    const std::string hex = c.value("dirHex", "");
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        name += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    std::string dir = work.File(name);
    std::unique_ptr<TmpfsMount> mount, tmpfsTemp;
    if (c.contains("tmpfs")) {
        dir =
            (mount = std::make_unique<TmpfsMount>(c["tmpfs"], c.value("mountOptions", "")))->Path();
    } else if (name == "shm") {
        WriteFile((dir = shm.Path()) + "/VXR0001.TMP", "someone else's");
    } else if (name == "file") {
        WriteFile(dir, "a file");
    } else if (name == "loop") {  // kept out of the work directory, whose snapshot cannot walk it
        dir = loops.File("loop");
        fs::create_symlink(dir, dir);
    } else if (name != "missing") {
        fs::create_directory(dir);
    }
    if (c.contains("tmpdir")) tmpfsTemp = std::make_unique<TmpfsMount>(c["tmpdir"], "", tmp.Path());
    if ((mount && !mount->Mounted()) || (tmpfsTemp && !tmpfsTemp->Mounted())) {
        GTEST_SKIP() << "mounting a tmpfs needs root";
    }
    fs::create_directories(work.File("x/y"));
    fs::create_directory(work.File("b"));
    const auto before = Snapshot(dir), around = Snapshot(work.Path());

    std::vector<std::string> args{dir, "--json", work.File("result.json")};
    for (const std::string a : c.value("args", json::array())) {
        args.push_back(a[0] == '@' ? work.File(a.substr(1)) : a);
    }
    const CliResult r = CliProcess::Run(args, tmp.Path() + c.value("tmpdirSuffix", ""));
    EXPECT_EQ(r.status, c["status"]) << r.err;
    const json j = ParseResult(ReadFile(work.File("result.json")));
    EXPECT_TRUE(Contains(j, c["result"])) << j.dump(2);
    EXPECT_TRUE(IsIso8601(j["startedAt"])) << j["startedAt"];
    if (j["result"] == "ok") {
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        EXPECT_TRUE(Contains(j, {{"directory", dir},
                                 {"tempDirectory", tmp.Path() + "/"},
                                 {"host", host},
                                 {"label", host}}));
        EXPECT_GT(j["bytesWritten"].get<uint64_t>(), 0u);
        EXPECT_EQ(j["bytesWritten"], j["bytesRead"]) << "a graceful stop reads back all it wrote";
        EXPECT_TRUE(j["failures"].empty());
    } else {
        ASSERT_FALSE(j["failures"].empty()) << j.dump(2);
        EXPECT_EQ(j["failures"][0]["errorKind"], CDVXThreadData::kSystemError)
            << "failed calls first";
    }
    bool some = !c.contains("some");
    for (const json& f : j["failures"]) {
        EXPECT_TRUE(IsIso8601(f["localTime"]) && f["testTimeMs"].is_number_unsigned()) << f.dump(2);
        if (c.contains("some")) {
            const json& alternatives = c["some"].is_array() ? c["some"] : json::array({c["some"]});
            for (const json& a : alternatives) some |= Contains(f, a);
        }
        if (!c.contains("each")) continue;
        EXPECT_TRUE(Contains(f, c["each"])) << f.dump(2);
        EXPECT_NE(f["test"], "Test d'écriture dans le répertoire Temp")
            << "it works in the temporary directory";
    }
    EXPECT_TRUE(some) << j.dump(2);
    for (const std::string text : c.value("said", json::array())) {
        EXPECT_NE((r.out + r.err).find(text), std::string::npos) << text;
    }
    if (fs::is_directory(work.File("reports"))) {  // one whole document per failure
        std::size_t files = 0;
        for (const auto& e : fs::directory_iterator(work.File("reports"))) {
            const std::string rtf = ReadFile(e.path());
            EXPECT_TRUE(rtf.starts_with("{\\rtf1") && rtf.find("%tstdir%") == std::string::npos)
                << e.path();
            ++files;
        }
        EXPECT_EQ(files, j["failures"].size());
        fs::remove_all(work.File("reports"));
    }
    fs::remove(work.File("result.json"));
    EXPECT_EQ(Snapshot(dir), before) << "nothing written, nothing left behind";
    EXPECT_FALSE(name == "missing" && fs::exists(dir)) << "never made";
    EXPECT_EQ(Snapshot(work.Path()), around) << Listing(work.Path());
    EXPECT_TRUE(Snapshot(tmp.Path()).empty()) << Listing(tmp.Path());
}

INSTANTIATE_TEST_SUITE_P(Directories, CliRun, testing::ValuesIn(ReadTable(DALVEX_RUNS_TABLE)),
                         [](const auto& info) {
                             return info.param.data["name"].template get<std::string>();
                         });

// The first signal stops after the cycle, the second aborts, the third ends
// the program on the spot. Only a run that read back what it wrote, and was
// not cut short, is "ok". Times count from the moment the program is about to
// start its threads, which wait 500 ms before their first cycle.
TEST_F(CliProgram, SignalsEndTheRunTruthfully) {
    const struct {
        std::vector<int> signals;
        int afterMs;
        const char* spaceMb;
        int status;  // -1: killed by the last one taken
        const char* ending;
        const char* result;
    } cases[] = {
        {{SIGTERM}, 0, "30", 3, "stopped", "interrupted"},  // nothing was read back yet
        {{SIGHUP}, 0, "30", 3, "stopped", "interrupted"},   // a closed terminal, the same
        {{SIGINT}, 1000, "30", 0, "stopped", "ok"},
        // Cycles of 100 MB outlast the gap between the two signals.
        {{SIGINT, SIGINT}, 1000, "1000", 3, "aborted", "interrupted"},
        // Three kinds at once: none can merge with another while it waits.
        {{SIGINT, SIGTERM, SIGHUP}, 0, "30", -1, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        CliProcess cli({shm.Path(), "--until-stopped", "--space", c.spaceMb, "--json", "-"},
                       tmp.Path());
        ASSERT_TRUE(cli.WaitForError(kNotNetwork));
        std::this_thread::sleep_for(std::chrono::milliseconds(c.afterMs));
        for (std::size_t i = 0; i < c.signals.size(); ++i) {
            cli.Signal(c.signals[i]);
            // A signal sent again before the first is taken would be one.
            if (i + 1 < c.signals.size() && c.signals[i + 1] == c.signals[i]) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        const CliResult r = cli.Wait();
        SCOPED_TRACE(std::to_string(c.signals.size()) + "x" + std::to_string(c.signals[0]) + " " +
                     r.err);
        if (c.status == -1) {
            EXPECT_NE(std::find(c.signals.begin(), c.signals.end(), r.signal), c.signals.end())
                << r.signal;
            continue;  // ended on the spot: files may stay, that is the point
        }
        const json j = ParseResult(r.out);
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(Contains(j, {{"ending", c.ending}, {"result", c.result}})) << j.dump(2);
        EXPECT_TRUE(j["result"] != "ok" || j["bytesWritten"] == j["bytesRead"]);
        EXPECT_TRUE(fs::is_empty(shm.Path()) && fs::is_empty(tmp.Path()))
            << Listing(shm.Path()) << Listing(tmp.Path());
    }
    fs::remove_all(shm.Path());  // what the killed run may have left
    fs::create_directory(shm.Path());
}

// --start-at waits for the wall clock: the run starts at that moment, a time
// gone by starts at once and says so, and an interrupt during the wait ends
// the program before any run, with a result that proves nothing.
TEST_F(CliProgram, StartsWhenTheClockSays) {
    using namespace std::chrono;
    const int64_t at =
        (duration_cast<seconds>(system_clock::now().time_since_epoch()).count() + 4) * 1000;
    CliResult r = Run({shm.Path(), "--start-at", std::to_string(at / 1000), "--stop-after", "1",
                       "--json", "-", "--label", "poste 7"});
    json j = ParseResult(r.out);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("Départ à "), std::string::npos) << r.err;
    EXPECT_TRUE(j["label"] == "poste 7" && j["startedAtMs"] >= at && j["startedAtMs"] < at + 300)
        << at << j.dump(2);

    r = Run({shm.Path(), "--start-at", "1000000000", "--stop-after", "1", "-q"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("L'heure de départ (2001-09-09T"), std::string::npos) << r.err;

    CliProcess waiting({shm.Path(), "--start-at", std::to_string(at / 1000 + 60), "--json", "-"},
                       tmp.Path());
    ASSERT_TRUE(waiting.WaitForError("Départ à "));
    waiting.Signal(SIGINT);
    r = waiting.Wait();
    j = ParseResult(r.out);
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_TRUE(
        Contains(j, {{"result", "interrupted"}, {"ending", "stopped"}, {"bytesWritten", 0}}))
        << j.dump(2);
    EXPECT_TRUE(fs::is_empty(shm.Path()) && fs::is_empty(tmp.Path()));
}

// The result reaches its reader whole, or the exit status says it did not;
// a reader of the text that goes away costs nothing; a run that could not
// start leaves an earlier result as it was.
TEST_F(CliProgram, TheResultIsDeliveredOrTheExitSaysSo) {
    const std::string earlier = "{\"result\": \"earlier\"}\n";
    const std::string json = work.File("result.json");
    WriteFile(work.File("plain"), "x"), WriteFile(json, earlier);
    EXPECT_EQ(Run({shm.Path(), "--json", json, "--report-dir", work.File("plain/r")}).status, 2);
    EXPECT_EQ(ReadFile(json), earlier);

    const CliResult full = Run({shm.Path(), "--stop-after", "1", "--json", "/dev/full"});
    EXPECT_EQ(full.status, 2) << "the run went well, but nobody can know it";
    EXPECT_NE(full.err.find("Impossible d'écrire /dev/full"), std::string::npos) << full.err;

    // dalvex2-cli … | head -n1: the rest of the text has nowhere to go.
    EXPECT_EQ(CliProcess({shm.Path(), "--stop-after", "2", "--json", json}, tmp.Path(), true)
                  .Wait()
                  .status,
              0);
    EXPECT_EQ(ParseResult(ReadFile(json))["result"], "ok");
    EXPECT_EQ(CliProcess({shm.Path(), "--stop-after", "2", "--json", "-"}, tmp.Path(), true)
                  .Wait()
                  .status,
              2)
        << "the JSON had nowhere to go";

    TmpfsMount tiny("4k");
    if (tiny.Mounted()) {
        // No room left beside the earlier result: it must stay whole.
        const std::string onTiny = tiny.Path() + "/result.json",
                          kept = earlier + std::string(4000, ' ');
        WriteFile(onTiny, kept);
        EXPECT_EQ(Run({shm.Path(), "--stop-after", "1", "--json", onTiny}).status, 2);
        EXPECT_EQ(ReadFile(onTiny), kept);
        EXPECT_EQ(Listing(tiny.Path()), "result.json ");
    }
    EXPECT_TRUE(fs::is_empty(shm.Path()) && fs::is_empty(tmp.Path()));
}
