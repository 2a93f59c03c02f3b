#include <gtest/gtest.h>

#include <cstdio>

#include "tests/CliProcess.h"
#include "tests/TempDir.h"

namespace {

// What a client's healthy run of 20 s asked to start at 1796592600000 writes;
// client i is called "hi" and starts 300 ms after the one before.
const char* const kHealthy = R"({"host": "poste", "startedAt": "2026-12-06T21:30:00+00:00",
    "startAtMs": 1796592600000, "elapsedMs": 20000, "ending": "time-up", "result": "ok",
    "settings": {"diskSpaceMb": 30, "simultaneousTests": 1, "durationMinutes": 5,
    "stopAfterSeconds": 20},
    "bytesWritten": 4000, "bytesRead": 4000, "throughput": 400, "failures": []})";

const char* const kFailed = R"({"result": "failed", "ending": "failure",
    "failures": [{"test": "Test de relecture", "category": "data-differ"}]})";

}  // namespace

// dalvex2-cli merge over clients each given as a healthy result changed by a
// JSON merge patch, or as a file that is "@missing" or holds "@" and raw
// text. The verdict is "ok" only when every client ran for the whole time
// asked, together with the others and begun on time, read back what it wrote
// and saw no failure; a file that is not a fellow result stops the merge,
// naming it.
TEST(ResultMergeTest, OneVerdictForAllClients) {
    const struct {
        const char* why;
        std::vector<const char*> clients;
        int status;
        const char* says;  // in the text, or in the refusal with the file's name
    } rows[] = {
        {"all well", {"{}", "{}", "{}"}, 0, "Tous en même temps pendant 19 sec | Débit : 1200"},
        {"one failed", {"{}", kFailed}, 1, "Échec chez h1 : Test de relecture (data-differ)"},
        {"failed beats stopped", {R"({"result": "interrupted"})", kFailed}, 1, "h1 | Résultat : f"},
        {"no data back", {"{}", R"({"result": "interrupted"})"}, 3, "h1 | Résultat : interrupted"},
        {"stopped by hand", {"{}", R"({"ending": "stopped"})"}, 3, "Fin : stopped"},
        {"aborted", {R"({"ending": "aborted"})"}, 3, "Fin : aborted"},
        {"says ok, read less back", {R"({"bytesRead": 3999})"}, 3, "h0 | Résultat : interrupted"},
        {"says ok, ran 19 s of 20", {R"({"elapsedMs": 19000})"}, 3, "h0 | Résultat : interrupted"},
        {"late", {"{}", R"({"startedAtMs": 1796592605000})"}, 3, "Départ en retard de 5000 ms"},
        {"says ok, lists a failure", {R"({"failures": [{"test": "T"}]})"}, 1, "chez h0 : T ()"},
        {"never together", {"{}", R"({"startedAtMs": 1796592700000})"}, 3, "Jamais tous en même"},
        {"another start", {"{}", R"({"startAtMs": 1796592000000})"}, 2, "pas été lancé avec"},
        {"a number out of range", {R"({"startedAtMs": -5})"}, 2, "membre « startedAtMs »"},
        {"settings no run keeps", {R"({"settings": {"diskSpaceMb": 40960}})"}, 2, "« settings »"},
        {"no sets at all", {R"({"settings": {"simultaneousTests": 0}})"}, 2, "« settings »"},
        {"an odd failure", {R"({"failures": [{"test": 5}]})"}, 2, "membre « failures »"},
        {"a missing result", {"{}", "@missing"}, 2, "Impossible de lire"},
        {"not JSON", {"{}", "@{\"label\": "}, 2, "n'est pas un fichier JSON valide"},
        {"JSON, not a result", {"@[1, 2]"}, 2, "n'est pas un résultat de dalvex2-cli"},
        {"no label", {R"({"label": ""})"}, 2, "membre « label »"},
        {"an unknown result", {R"({"result": "fine"})"}, 2, "membre « result »"},
        {"other settings", {"{}", R"({"settings": {"stopAfterSeconds": 30}})"}, 2, "les réglages"},
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
            json client = json::parse(kHealthy);
            client["label"] = "h" + std::to_string(i);
            client["startedAtMs"] = 1796592600000 + 300 * i;
            if (text[0] != '@') client.merge_patch(json::parse(text));
            WriteFile(files.back(), text[0] == '@' ? text.substr(1) : client.dump());
        }
        std::vector<std::string> args{"merge", "--json", "-"};
        args.insert(args.end(), files.begin(), files.end());
        const CliResult r = CliProcess::Run(args, dir.Path());
        const std::string& text = r.err;
        EXPECT_EQ(r.status, row.status) << text;
        EXPECT_NE(text.find(row.says), std::string::npos) << text;
        EXPECT_EQ(text.find("Le test a réussi") != std::string::npos, r.status == 0) << text;
        if (r.status == 2) {
            EXPECT_TRUE(r.out.empty()) << r.out;
            EXPECT_NE(text.find(files.back()), std::string::npos) << "names the file: " << text;
            continue;
        }
        const json j = ParseResult(r.out);
        EXPECT_EQ(j["result"], r.status == 0 ? "ok" : r.status == 1 ? "failed" : "interrupted");
        EXPECT_EQ(j["clients"].size(), files.size());
        // Each failure names a client that had one.
        for (const json& f : j["failures"]) {
            EXPECT_EQ(j["clients"][f["label"] == "h0" ? 0 : 1]["failures"], 1) << f;
        }
    }
    // Nor does the merged result replace a client's.
    const std::string client = dir.File("0.json"), kept = ReadFile(client);
    EXPECT_EQ(CliProcess::Run({"merge", "--json", client, client}, dir.Path()).status, 2);
    EXPECT_EQ(ReadFile(client), kept);
}
