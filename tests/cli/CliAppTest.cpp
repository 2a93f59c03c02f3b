// dalvex2-cli run for real, end to end, on real file systems.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
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

}  // namespace

TEST_F(CliRun, BadUsageExitsWithTwo) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"/tmp", "--sets", "beaucoup"}, {"/tmp", "--nope"}}) {
        const CliResult r = Run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("Usage : dalvex2-cli"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    const CliResult json = Run({"/tmp", "--json", "/nonexistent-dir/x.json"});
    EXPECT_EQ(json.status, 2) << "the run could not start";
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
    const json j = json::parse(r.out);
    EXPECT_EQ(j["result"], "ok");
    EXPECT_EQ(j["directory"], dir.Path());
    EXPECT_EQ(j["tempDirectory"], tmp.Path() + "/");
    EXPECT_EQ(j["networkPath"], false);
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
    const json j = json::parse(ReadFile(work.File("result.json")));
    EXPECT_EQ(j["result"], "failed");
    ASSERT_FALSE(j["failures"].empty());
    bool diskFull = false;
    for (const auto& f : j["failures"]) {
        if (f["category"] == "disk-full") {
            diskFull = true;
            EXPECT_EQ(f["winerr"], 112);
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

TEST_F(CliRun, AMissingDirectoryIsAnIoError) {
    const CliResult r = Run({work.File("missing"), "--json", "-", "--quiet"});
    EXPECT_EQ(r.status, 1);
    const json j = json::parse(r.out);
    ASSERT_FALSE(j["failures"].empty());
    for (const auto& f : j["failures"]) {
        EXPECT_EQ(f["category"], "io-error");
        EXPECT_EQ(f["operation"], "GetTempFileName");
        EXPECT_EQ(f["winerr"], 3);
        EXPECT_EQ(f["localTime"].get<std::string>().size(), 5u);
    }
    EXPECT_FALSE(fs::exists(work.File("missing")));
}

TEST_F(CliRun, OneInterruptStopsGracefullyTwoAbort) {
    TempDir dir("/dev/shm");
    for (int interrupts : {1, 2}) {
        CliProcess cli({dir.Path(), "--until-stopped", "--json", "-"}, tmp.Path());
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        for (int i = 0; i < interrupts; ++i) {
            cli.Signal(SIGINT);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const CliResult r = cli.Wait();
        EXPECT_EQ(r.status, 0) << interrupts << r.err;
        const json j = json::parse(r.out);
        EXPECT_EQ(j["result"], "ok") << "an interrupted run is no failure";
        if (interrupts == 1) {
            EXPECT_EQ(j["bytesWritten"], j["bytesRead"]);
        }
        EXPECT_TRUE(fs::is_empty(dir.Path()));
        EXPECT_TRUE(fs::is_empty(tmp.Path()));
    }
}
