// dalvex2-cli run for real, end to end, on real file systems.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/CliProcess.h"
#include "tests/TempDir.h"

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

class CliRun : public testing::Test {
protected:
    CliResult Run(const std::vector<std::string>& args) {
        return CliProcess::Run(args, tmp.Path());
    }

    TempDir tmp;   // the program's temporary directory
    TempDir work;  // files the tests ask the program to write
};

const std::string kNotNetwork = "Le chemin que vous avez indiqué n'est pas un chemin réseau.";

// "2026-12-06T14:03:07+01:00": d a digit, s a sign.
bool IsIso8601(const json& value) {
    static constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:ddsdd:dd";
    if (!value.is_string() || value.get<std::string>().size() != kShape.size()) return false;
    const std::string text = value;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const char c = text[i];
        const bool fits = kShape[i] == 'd'   ? c >= '0' && c <= '9'
                          : kShape[i] == 's' ? c == '+' || c == '-'
                                             : c == kShape[i];
        if (!fits) return false;
    }
    return true;
}

json ParseOrFail(const std::string& text) {
    try {
        return json::parse(text);
    } catch (const json::exception& e) {
        ADD_FAILURE() << "invalid JSON: " << e.what() << "\n" << text;
        return json::object();
    }
}

}  // namespace

TEST_F(CliRun, BadUsageExitsWithTwo) {
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

TEST_F(CliRun, AHealthyTmpfsRunEndsWellAndLeavesNothing) {
    TempDir dir("/dev/shm");
    WriteFile(dir.File("VXR0001.TMP"), "someone else's");
    const auto before = Snapshot(dir.Path());
    const CliResult r = Run({dir.Path(), "--stop-after", "8", "--json", "-"});
    EXPECT_EQ(r.status, 0) << r.err;
    const json j = ParseOrFail(r.out);
    EXPECT_EQ(j["result"], "ok");
    EXPECT_EQ(j["ending"], "time-up");
    EXPECT_EQ(j["directory"], dir.Path());
    EXPECT_EQ(j["tempDirectory"], tmp.Path() + "/");
    EXPECT_EQ(j["networkPath"], false);
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    EXPECT_EQ(j["host"], host);
    EXPECT_TRUE(IsIso8601(j["startedAt"])) << j["startedAt"];
    EXPECT_EQ(j["settings"]["diskSpaceMb"], 30);
    EXPECT_GT(j["bytesWritten"].get<uint64_t>(), 0u);
    EXPECT_EQ(j["bytesWritten"], j["bytesRead"]) << "a graceful stop reads back all it wrote";
    EXPECT_GE(j["elapsedMs"].get<uint32_t>(), 8000u);
    EXPECT_GT(j["throughput"].get<uint64_t>(), 0u);
    EXPECT_TRUE(j["failures"].empty());
    EXPECT_NE(r.err.find(kNotNetwork), std::string::npos);
    EXPECT_NE(r.err.find("Le test a réussi"), std::string::npos) << "people's text on stderr";
    EXPECT_EQ(Snapshot(dir.Path()), before);
    EXPECT_TRUE(fs::is_empty(tmp.Path()));
}

TEST_F(CliRun, AFullDiskExitsWithOneAndADiskFullReport) {
    TmpfsMount small("8m");
    if (!small.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    const CliResult r = Run(
        {small.Path(), "--json", work.File("result.json"), "--report-dir", work.File("reports")});
    EXPECT_EQ(r.status, 1) << r.err;
    const json j = ParseOrFail(ReadFile(work.File("result.json")));
    EXPECT_EQ(j["result"], "failed");
    EXPECT_EQ(j["ending"], "failure");
    ASSERT_FALSE(j["failures"].empty());
    bool diskFull = false;
    for (const auto& f : j["failures"]) {
        if (f["category"] == "disk-full") {
            diskFull = true;
            EXPECT_EQ(f["winerr"], 112);
            EXPECT_EQ(f["errno"], ENOSPC);
            EXPECT_EQ(f["errorKind"], 1);
            EXPECT_EQ(f["message"], "Espace insuffisant sur le disque.");
            EXPECT_TRUE(f["expected"].is_null());
        }
    }
    EXPECT_TRUE(diskFull) << j.dump(2);
    EXPECT_EQ(j["failures"][0]["errorKind"], 1) << "failed calls first";
    EXPECT_NE(r.out.find("Une erreur s'est produite"), std::string::npos);
    EXPECT_NE(r.out.find("Le disque dur est plein !"), std::string::npos);
    EXPECT_NE(r.out.find("=== Test 0 ==="), std::string::npos);
    // One RTF file per failure, each a whole document.
    std::size_t files = 0;
    for (const auto& e : fs::directory_iterator(work.File("reports"))) {
        ++files;
        const std::string rtf = ReadFile(e.path());
        EXPECT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
        EXPECT_EQ(rtf.find("%tstdir%"), std::string::npos);
    }
    EXPECT_EQ(files, j["failures"].size());
    EXPECT_TRUE(fs::is_empty(small.Path()));
    EXPECT_TRUE(fs::is_empty(tmp.Path()));
}

// Directories the program cannot test faithfully: every server test fails on
// its first call, with the code that says why, and nothing is written
// anywhere, least of all where a trick in the name points.
TEST_F(CliRun, DirectoriesThatCannotBeTestedFailWithTheirReason) {
    fs::create_directories(work.File("x/y"));
    fs::create_directory(work.File("b"));
    const struct {
        std::string name;  // raw bytes
        int winerr;
        int err;  // 0: the program's own refusal
        std::string message;
    } cases[] = {
        {"missing", 3, ENOENT, "Le chemin d'accès spécifié est introuvable."},
        {"x\xC0\xAFy", 123, 0, ""},  // an overlong '/': not x/y
        {"z\xC0\x80", 123, 0, ""},   // an overlong NUL: not z
        {"a\\..\\b", 123, 0, ""},    // a name with backslashes: not b
        {"loop", 1117, ELOOP, "(ELOOP : Too many levels of symbolic links)"},
    };
    for (const auto& c : cases) {
        if (c.name != "missing" && c.name != "loop") fs::create_directory(work.File(c.name));
    }
    TempDir loops;  // kept out of the snapshot, which cannot walk a loop
    fs::create_symlink(loops.File("loop"), loops.File("loop"));
    const auto before = Snapshot(work.Path());
    for (const auto& c : cases) {
        const std::string dir = c.name == "loop" ? loops.File("loop") : work.File(c.name);
        const CliResult r = Run({dir, "--json", "-", "--quiet"});
        EXPECT_EQ(r.status, 1) << c.name << r.err;
        const json j = ParseOrFail(r.out);
        EXPECT_EQ(j["result"], "failed") << c.name;
        ASSERT_FALSE(j["failures"].empty()) << c.name;
        for (const auto& f : j["failures"]) {
            EXPECT_EQ(f["category"], "io-error") << c.name;
            EXPECT_EQ(f["operation"], "GetTempFileName") << c.name;
            EXPECT_EQ(f["winerr"], c.winerr) << c.name;
            EXPECT_EQ(f["errno"], c.err ? json(c.err) : json()) << c.name;
            EXPECT_NE(f["message"].get<std::string>().find(c.message), std::string::npos)
                << f["message"];
            EXPECT_TRUE(IsIso8601(f["localTime"])) << f["localTime"];
            EXPECT_TRUE(f["testTimeMs"].is_number_unsigned());
        }
    }
    EXPECT_EQ(Snapshot(work.Path()), before) << Listing(work.Path());
    EXPECT_TRUE(fs::is_empty(work.File("x/y")));
    EXPECT_TRUE(fs::is_empty(work.File("b")));
}

// Signals: the first stops after the cycle, the second aborts, the third ends
// the program on the spot. Only a run that read back what it wrote, and was
// not cut short, is "ok". Times count from the moment the program is about to
// start its threads, which wait 500 ms before their first cycle.
TEST_F(CliRun, SignalsEndTheRunTruthfully) {
    TempDir dir("/dev/shm");
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
        CliProcess cli({dir.Path(), "--until-stopped", "--space", c.spaceMb, "--json", "-"},
                       tmp.Path());
        ASSERT_TRUE(cli.WaitForError(kNotNetwork));
        std::this_thread::sleep_for(std::chrono::milliseconds(c.afterMs));
        for (int s : c.signals) {
            cli.Signal(s);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const CliResult r = cli.Wait();
        const std::string what =
            std::to_string(c.signals.size()) + "x" + std::to_string(c.signals[0]) + " " + r.err;
        if (c.status == -1) {
            EXPECT_EQ(r.signal, c.signals.back()) << what;
            continue;  // ended on the spot: files may stay, that is the point
        }
        EXPECT_EQ(r.status, c.status) << what;
        const json j = ParseOrFail(r.out);
        EXPECT_EQ(j["ending"], c.ending) << what;
        EXPECT_EQ(j["result"], c.result) << what;
        if (c.result == std::string("ok")) {
            EXPECT_EQ(j["bytesWritten"], j["bytesRead"]);
        }
        EXPECT_TRUE(fs::is_empty(dir.Path())) << what << Listing(dir.Path());
        EXPECT_TRUE(fs::is_empty(tmp.Path())) << what << Listing(tmp.Path());
    }
    fs::remove_all(dir.Path());  // what the killed run may have left
    fs::create_directory(dir.Path());
}

// 4096 MB a thread once wrapped to a budget of nothing, and a run that wrote
// nothing ended "ok". Now each test writes its 4095 MB until the small disk is
// full, which is the truth about 40 GB on 64 MB.
TEST_F(CliRun, AShareBeyond4095MegabytesStillWrites) {
    TmpfsMount small("64m");
    if (!small.Mounted()) GTEST_SKIP() << "mounting a tmpfs needs root";
    const CliResult r = Run({small.Path(), "--space", "40960", "--json", "-", "--quiet"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("au plus 4095 Mo"), std::string::npos) << r.err;
    const json j = ParseOrFail(r.out);
    EXPECT_GT(j["bytesWritten"].get<uint64_t>(), 32u << 20);
    EXPECT_EQ(j["failures"][0]["category"], "disk-full");
    EXPECT_TRUE(fs::is_empty(small.Path()));
    EXPECT_TRUE(fs::is_empty(tmp.Path()));
}

// The result reaches its reader whole, or the exit status says it did not;
// a reader of the text that goes away costs nothing; a run that could not
// start leaves an earlier result as it was.
TEST_F(CliRun, TheResultIsDeliveredOrTheExitSaysSo) {
    TempDir dir("/dev/shm");
    const std::string earlier = "{\"result\": \"earlier\"}\n";
    const std::string json = work.File("result.json");
    WriteFile(work.File("plain"), "x");

    WriteFile(json, earlier);
    const CliResult cannotStart =
        Run({dir.Path(), "--json", json, "--report-dir", work.File("plain/r")});
    EXPECT_EQ(cannotStart.status, 2);
    EXPECT_EQ(ReadFile(json), earlier);

    const CliResult full = Run({dir.Path(), "--stop-after", "1", "--json", "/dev/full"});
    EXPECT_EQ(full.status, 2) << "the run went well, but nobody can know it";
    EXPECT_NE(full.err.find("Impossible d'écrire /dev/full"), std::string::npos) << full.err;

    // dalvex2-cli … | head -n1: the rest of the text has nowhere to go.
    const CliResult closed =
        CliProcess({dir.Path(), "--stop-after", "2", "--json", json}, tmp.Path(), true).Wait();
    EXPECT_EQ(closed.status, 0);
    EXPECT_EQ(ParseOrFail(ReadFile(json))["result"], "ok");
    const CliResult closedJson =
        CliProcess({dir.Path(), "--stop-after", "2", "--json", "-"}, tmp.Path(), true).Wait();
    EXPECT_EQ(closedJson.status, 2) << "the JSON had nowhere to go";

    TmpfsMount tiny("4k");
    if (tiny.Mounted()) {
        // No room left beside the earlier result: it must stay whole.
        const std::string onTiny = tiny.Path() + "/result.json";
        WriteFile(onTiny, earlier + std::string(4096 - earlier.size(), ' '));
        const std::string kept = ReadFile(onTiny);
        const CliResult noRoom = Run({dir.Path(), "--stop-after", "1", "--json", onTiny});
        EXPECT_EQ(noRoom.status, 2);
        EXPECT_EQ(ReadFile(onTiny), kept);
        EXPECT_EQ(Listing(tiny.Path()), "result.json ");
    }
    EXPECT_TRUE(fs::is_empty(dir.Path()));
    EXPECT_TRUE(fs::is_empty(tmp.Path()));
}
