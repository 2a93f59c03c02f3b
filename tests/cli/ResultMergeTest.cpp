#include <gtest/gtest.h>

#include <cstdio>

#include "cli/merge/ResultMerge.h"
#include "tests/CliProcess.h"
#include "tests/TempDir.h"

namespace {

// What a client's healthy run of 20 s asked to start at 1796592600000 writes:
// 200 bytes a second on the share, its clock measured. Client i is called
// "hi" and starts 300 ms after the one before.
const char* const kHealthy = R"({"host": "poste", "version": "2.0.0+607.1.a",
    "directory": "/mnt/nas/d", "tempDirectory": "/tmp/", "networkPath": true, "fileSystem": "nfs4",
    "mountSource": "nas:/d", "cachesWrites": false, "serverProven": true, "crossCheck": null,
    "startedAt": "2026-12-06T21:30:00+00:00",
    "startAtMs": 1796592600000, "clockOffsetMs": 0, "elapsedMs": 20000, "ending": "time-up",
    "result": "ok", "settings": {"diskSpaceMb": 30, "simultaneousTests": 1,
    "durationMinutes": 5, "stopAfterSeconds": 20, "stallSeconds": 60},
    "bytesWritten": 4000, "bytesRead": 4000, "throughput": 400, "shareBytesWritten": 2000,
    "shareBytesRead": 2000, "shareThroughput": 200, "longestShareIdleMs": 500,
    "failures": [], "leftFiles": []})";

// Until stopped, stopped as asked after `seconds`, the share moving 18000
// bytes each way.
json UntilStopped(int seconds) {
    json run = json::parse(R"({"settings": {"durationMinutes": 2147483647, "stopAfterSeconds": 0},
        "ending": "stopped", "bytesWritten": 18000, "bytesRead": 18000,
        "shareBytesWritten": 18000, "shareBytesRead": 18000})");
    const std::vector<int> bytes(seconds, 18000 / seconds);
    run["elapsedMs"] = seconds * 1000;
    run["series"] = {{"written", bytes}, {"read", bytes}, {"waiting", std::vector<int>(seconds)}};
    return run;
}

// Client i of kHealthy, "hi".
json Healthy(std::size_t i) {
    json client = json::parse(kHealthy);
    client["label"] = "h" + std::to_string(i);
    client["startedAtMs"] = client["referenceStartedAtMs"] = 1796592600000 + 300 * i;
    client["series"] = {{"intervalMs", 1000},
                        {"written", std::vector<int>(20, 100)},
                        {"read", std::vector<int>(20, 100)},
                        {"waiting", std::vector<int>(20, 0)}};
    return client;
}

// The rows of merges.json, and those whose clients are made here: runs until
// stopped, a point a second, and files too deep or too large to write out.
std::vector<TableRow> Merges() {
    std::vector<TableRow> rows = ReadTable(DALVEX_MERGES_TABLE);
    const auto row = [&rows](const char* name, const json& clients, int status, const char* says) {
        rows.push_back(
            {{{"name", name}, {"clients", clients}, {"status", status}, {"says", says}}});
    };
    row("UntilStoppedFor3Minutes", json::array({UntilStopped(180), UntilStopped(180)}), 0,
        "en même temps pendant 2 min 59 sec");
    row("UntilStoppedFor2", json::array({UntilStopped(120), UntilStopped(120)}), 3, "sur 3 min");
    row("NestedTooDeep", json::array({"@" + std::string(100000, '[')}), 2,
        "imbriqué sur plus de 16 niveaux");
    row("TooLarge", json::array({"@" + std::string(1 << 20, ' ') + "{}"}), 2, "trop grand");
    return rows;
}

// A result as a row gives it: a merge patch of Healthy(i), or "@" and raw
// text; none for "@missing".
void WriteGiven(const json& given, std::size_t i, const std::string& file) {
    const std::string text = given.is_string() ? given.get<std::string>() : "";
    if (text == "@missing") return;
    json client = Healthy(i);
    if (text.empty()) client.merge_patch(given);
    WriteFile(file, text.empty() ? client.dump() : text.substr(1));
}

class Merge : public testing::TestWithParam<TableRow> {};

}  // namespace

// dalvex2-cli merge over the clients of a row of merges.json, and the results
// of verify it gives with --verified. The verdict is "ok" only when every
// client ran on the network for the whole time asked, together with the
// others by measured clocks, read back what it wrote, never found the share
// silent past its stall limit and saw no failure; a file that is not a fellow
// result stops the merge, naming it, whatever it holds.
TEST_P(Merge, OneVerdictForAllClients) {
    const json& row = GetParam().data;
    SCOPED_TRACE(row.value("why", ""));
    TempDir dir;
    std::vector<std::string> args{"merge", "--json", "-", row.value("option", "--json=-")}, files;
    std::string last;  // the file a refusal names
    const json checks = row.value("checks", json::array());
    for (std::size_t i = 0; i < checks.size(); ++i) {
        last = dir.File("check" + std::to_string(i) + ".json");
        args.insert(args.end(), {"--verified", last});
        WriteGiven(checks[i], 0, last);
    }
    for (std::size_t i = 0; i < row["clients"].size(); ++i) {
        files.push_back(dir.File(std::to_string(i) + ".json"));
        WriteGiven(row["clients"][i], i, files.back());
    }
    if (checks.empty()) last = files.back();
    args.insert(args.end(), files.begin(), files.end());
    const CliResult r = CliProcess::Run(args, dir.Path());
    const std::string& text = r.err;
    EXPECT_EQ(r.status, row["status"]) << text;
    EXPECT_NE(text.find(row["says"].get<std::string>()), std::string::npos) << text;
    EXPECT_EQ(text.find("Le test a réussi") != std::string::npos, r.status == 0) << text;
    if (r.status == 2) {
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_NE(text.find(last), std::string::npos) << "names the file: " << text;
        return;
    }
    const json j = ParseResult(r.out);
    EXPECT_EQ(j["result"], r.status == 0 ? "ok" : r.status == 1 ? "failed" : "interrupted");
    EXPECT_EQ(j["clients"].size(), files.size());
    EXPECT_EQ(j["keptChecks"].size(),
              std::count(checks.begin(), checks.end(), "@missing") == 0 ? checks.size() : 0u);
    // Each failure names a client that had one.
    for (const json& f : j["failures"]) {
        EXPECT_EQ(j["clients"][f["label"] == "h0" ? 0 : 1]["failures"], 1) << f;
    }
}

INSTANTIATE_TEST_SUITE_P(Merges, Merge, testing::ValuesIn(Merges()), RowName);

// Nor does merge read past its bounds, nor allow a folder to a stranger, nor
// write its result over a client's, or over a check it is given.
TEST(ResultMergeTest, KeepsToItsBounds) {
    TempDir dir;
    std::vector<std::string> many{"merge", "--allow-local-for", "h0"}, files(1, "merge");
    files.resize(1 + ResultMerge::kMaxFiles + 1, "x.json");
    for (int i = 0; i < 65; ++i) {
        const json client = Healthy(i);
        many.push_back(dir.File("many" + std::to_string(i) + ".json"));
        // Any amount of blanks around its object leaves a result a result.
        WriteFile(many.back(), std::string((1 << 20) - 4096, ' ') + client.dump());
    }
    for (const auto& [args, says] : std::vector<std::pair<Strings, std::string>>{
             {many, "Trop de données à réunir : avec " + many.back()},
             {files, "Trop de fichiers à réunir : 1025"},
             {{"merge", "--allow-local-for", "h7", many[3]}, "« h7 » ne nomme aucun client"}}) {
        const CliResult r = CliProcess::Run(args, dir.Path());
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
    const std::string check = dir.File("check.json");
    WriteGiven(json::parse(R"({"verified": {"list": "/w/k.json", "label": "h3", "startedAt": "t",
        "files": ["VXO0A1B.TMP"], "deleted": true}})"),
               0, check);
    for (const auto& [args, input] : std::vector<std::pair<Strings, std::string>>{
             {{"merge", "--json", many[3], many[3]}, many[3]},
             {{"merge", "--html", check, "--verified", check, many[3]}, check}}) {
        const std::string kept = ReadFile(input);
        EXPECT_EQ(CliProcess::Run(args, dir.Path()).status, 2);
        EXPECT_EQ(ReadFile(input), kept);
    }
}
