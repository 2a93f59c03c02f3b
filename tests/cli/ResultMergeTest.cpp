#include "cli/ResultMerge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "tests/CliProcess.h"
#include "tests/TempDir.h"

using nlohmann::json;

namespace {

// What a client's healthy run of 20 s writes, started at 1796592600000.
json Healthy(int n) {
    return {{"directory", "/mnt/partage"},
            {"host", "poste"},
            {"label", "h" + std::to_string(n)},
            {"startedAt", "2026-12-06T21:30:00+00:00"},
            {"startedAtMs", 1796592600000 + 300 * n},
            {"settings", {{"diskSpaceMb", 30}, {"simultaneousTests", 1}, {"durationMinutes", 5}}},
            {"elapsedMs", 20000},
            {"bytesWritten", 4000},
            {"bytesRead", 4000},
            {"throughput", 400},
            {"ending", "time-up"},
            {"result", "ok"},
            {"failures", json::array()}};
}

const char* const kFailed = R"({"result": "failed", "ending": "failure",
    "failures": [{"test": "Test de relecture", "category": "data-differ"}]})";

}  // namespace

// Each client is a healthy result changed by a JSON merge patch, or a file
// that is "@missing" or holds "@" and raw text. The merged verdict is "ok"
// only when every client ran to its end, read back what it wrote and saw no
// failure; a file that is not a fellow result stops the merge, naming it.
TEST(ResultMergeTest, OneVerdictForAllClients) {
    const struct {
        const char* why;
        std::vector<const char*> clients;
        int status;
        const char* says;  // in the text, or in the refusal with the file's name
    } rows[] = {
        {"all well", {"{}", "{}", "{}"}, 0, "Tous en même temps pendant 19 sec | Débit : 1200"},
        {"one failed", {"{}", kFailed}, 1, "Échec chez h1 : Test de relecture (data-differ)"},
        {"a failure beats an interruption",
         {R"({"result": "interrupted"})", kFailed},
         1,
         "h1 | Résultat : failed"},
        {"stopped before any data came back",
         {"{}", R"({"result": "interrupted", "ending": "stopped"})"},
         3,
         "h1 | Résultat : interrupted"},
        {"stopped by hand: not the whole time",
         {"{}", R"({"ending": "stopped"})"},
         3,
         "Fin : stopped"},
        {"aborted", {R"({"ending": "aborted"})"}, 3, "Fin : aborted"},
        {"says ok, read nothing back", {R"({"bytesRead": 0})"}, 3, "h0 | Résultat : interrupted"},
        {"says ok, lists a failure",
         {R"({"failures": [{"test": "T"}]})"},
         1,
         "Échec chez h0 : T ()"},
        {"never all at once",
         {"{}", R"({"startedAtMs": 1796592700000})"},
         0,
         "Jamais tous en même temps"},
        {"a missing result", {"{}", "@missing"}, 2, "Impossible de lire"},
        {"not JSON", {"{}", "@{\"label\": "}, 2, "n'est pas un fichier JSON valide"},
        {"JSON, not a result", {"@[1, 2]"}, 2, "n'est pas un résultat de dalvex2-cli"},
        {"no label", {R"({"label": ""})"}, 2, "membre « label »"},
        {"an unknown result", {R"({"result": "fine"})"}, 2, "membre « result »"},
        {"another settings set",
         {"{}", R"({"settings": {"simultaneousTests": 2}})"},
         2,
         "les réglages"},
        {"one label twice", {"{}", R"({"label": "h0"})"}, 2, "le client « h0 » figure déjà dans"},
    };
    TempDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        std::vector<std::string> files;
        for (std::size_t i = 0; i < row.clients.size(); ++i) {
            const std::string text = row.clients[i];
            files.push_back(dir.File(std::to_string(i) + ".json"));
            std::remove(files.back().c_str());
            if (text == "@missing") continue;
            json client = Healthy(static_cast<int>(i));
            if (text[0] != '@') client.merge_patch(json::parse(text));
            WriteFile(files.back(), text[0] == '@' ? text.substr(1) : client.dump());
        }
        char *out = nullptr, *err = nullptr;
        std::size_t outSize = 0, errSize = 0;
        std::FILE* outFile = open_memstream(&out, &outSize);
        std::FILE* errFile = open_memstream(&err, &errSize);
        const int status = ResultMerge::Run(files, "-", outFile, errFile);
        std::fclose(outFile), std::fclose(errFile);
        const std::string merged(out, outSize), text(err, errSize);
        std::free(out), std::free(err);
        EXPECT_EQ(status, row.status) << text;
        EXPECT_NE(text.find(row.says), std::string::npos) << text;
        EXPECT_EQ(text.find("Le test a réussi") != std::string::npos, status == 0) << text;
        if (status == 2) {
            EXPECT_TRUE(merged.empty()) << merged;
            EXPECT_NE(text.find(files.back()), std::string::npos) << "names the file: " << text;
            continue;
        }
        const json j = ParseResult(merged);
        EXPECT_EQ(j["result"], status == 0 ? "ok" : status == 1 ? "failed" : "interrupted");
        EXPECT_EQ(j["clients"].size(), files.size());
        for (const json& f : j["failures"]) {
            const auto& c = j["clients"];
            EXPECT_TRUE(std::any_of(c.begin(), c.end(), [&](const json& client) {
                return client["label"] == f["label"] && client["failures"] > 0;
            })) << f;
        }
    }
}
