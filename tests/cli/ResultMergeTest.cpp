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

const char* const kFailed = R"({"result": "failed", "ending": "failure",
    "failures": [{"test": "Test de relecture", "category": "data-differ"}]})";

const std::string kDeep = "@" + std::string(100000, '[');

// Until stopped, stopped as asked after `seconds`, the share moving 18000
// bytes each way.
std::string UntilStopped(int seconds) {
    json run = json::parse(R"({"settings": {"durationMinutes": 2147483647, "stopAfterSeconds": 0},
        "ending": "stopped", "bytesWritten": 18000, "bytesRead": 18000,
        "shareBytesWritten": 18000, "shareBytesRead": 18000})");
    const std::vector<int> bytes(seconds, 18000 / seconds);
    run["elapsedMs"] = seconds * 1000;
    run["series"] = {{"written", bytes}, {"read", bytes}, {"waiting", std::vector<int>(seconds)}};
    return run.dump();
}

// A share silent for the 7 seconds from the 6th, once 5 are its limit, and
// the run's own figure of its silence edited down.
const char* const kSilent = R"({"settings": {"stallSeconds": 5}, "longestShareIdleMs": 1000,
    "series": {"written": [100, 100, 100, 100, 100, 100, 0, 0, 0, 0, 0, 0, 0, 100, 100, 100, 100,
    100, 100, 800], "read": [100, 100, 100, 100, 100, 100, 0, 0, 0, 0, 0, 0, 0, 100, 100, 100,
    100, 100, 100, 800]}})";

// A cross-check in which the client read `bytes` of the files of `partner`.
std::string Cross(const char* partner, int bytes = 1000) {
    return R"({"bytesWritten": 5000, "bytesRead": )" + std::to_string(4000 + bytes) +
           R"(, "crossCheck": {"directory": "/mnt/nas/x", "partner": )" + partner +
           R"(, "bytesRead": )" + std::to_string(bytes) + R"(, "bytesWritten": 1000}})";
}

// A run that kept files, and a check by `reader` of those `keeper` kept.
const char* const kKept = R"({"kept": {"list": "/w/k.json", "label": "h", "startedAt": "t",
    "files": ["VXO0A1B.TMP"], "deleted": false}})";
std::string Check(const char* reader, const char* keeper, const char* result = "ok") {
    return std::string(R"({"label": ")") + reader + R"(", "result": ")" + result +
           R"(", "verified": {"list": "/w/k.json", "label": ")" + keeper +
           R"(", "startedAt": "t", "files": ["VXO0A1B.TMP", "VXD0A1C.TMP"], "deleted": true})" +
           (std::string(result) == "ok" ? "}" : R"(, "ending": "failure", "failures": [{"test":
               "Relecture du fichier gardé VXO0A1B.TMP", "category": "data-differ"}]})");
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

}  // namespace

// dalvex2-cli merge over clients each given as a healthy result changed by a
// JSON merge patch, or as a file that is "@missing" or holds "@" and raw
// text. The verdict is "ok" only when every client ran on the network for
// the whole time asked, together with the others by measured clocks, read
// back what it wrote, never found the share silent past its stall limit and
// saw no failure; a file that is not a fellow result stops the merge, naming
// it, whatever it holds.
TEST(ResultMergeTest, OneVerdictForAllClients) {
    const struct {
        const char* why;
        std::vector<std::string> clients;
        int status;
        const char* says;  // in the text, or in the refusal with the file's name
        const char* option = "--json=-";
        // Results of verify, given with --verified (healthy results changed).
        std::vector<std::string> checks = {};
    } rows[] = {
        {"kept files read back in a ring",
         {kKept, kKept},
         0,
         "Fichiers gardés h0 → h1 : ok (2 fichiers relus)",
         "--json=-",
         {Check("h1", "h0"), Check("h0", "h1")}},
        {"kept files nobody read", {kKept, "{}"}, 1, "h0 | Résultat : failed | Fin : time-up"},
        {"a check that found damage",
         {kKept, "{}"},
         1,
         "fichiers manquants ou différents",
         "--json=-",
         {Check("h1", "h0", "failed")}},
        {"a check of a client outside the fleet",
         {"{}", "{}"},
         1,
         "h9 → h1 : l'auteur n'est pas un client",
         "--json=-",
         {Check("h1", "h9")}},
        {"a check not made",
         {kKept, "{}"},
         1,
         "relus par aucun client",
         "--missing-as-failed",
         {"@missing"}},
        {"a run's result given as a check",
         {"{}"},
         2,
         "résultat de dalvex2-cli verify",
         "--json=-",
         {R"({"label": "h0"})"}},
        {"all well",
         {"{}", "{}", "{}"},
         0,
         "en même temps pendant 19 sec | Débit sur le partage : 600"},
        {"one failed", {"{}", kFailed}, 1, "Échec chez h1 : Test de relecture (data-differ)"},
        {"failed beats stopped", {R"({"result": "interrupted"})", kFailed}, 1, "h1 | Résultat : f"},
        {"no data back", {"{}", R"({"result": "interrupted"})"}, 3, "h1 | Résultat : interrupted"},
        {"stopped by hand", {"{}", R"({"ending": "stopped"})"}, 3, "Fin : stopped"},
        {"aborted", {R"({"ending": "aborted"})"}, 3, "Fin : aborted"},
        {"says ok, read less back", {R"({"bytesRead": 3999})"}, 3, "tout n'a pas été relu"},
        {"files changed in place, read back",
         {R"({"settings": {"modifyTests": true}, "bytesRead": 3999})"},
         0,
         "h0 | Résultat : ok"},
        {"says ok, ran 19 s of 20", {R"({"elapsedMs": 19000})"}, 3, "a testé 19 sec sur 20 sec"},
        {"late", {"{}", R"({"referenceStartedAtMs": 1796592605000})"}, 3, "retard de 5000 ms"},
        {"early", {"{}", R"({"referenceStartedAtMs": 1796592590000})"}, 3, "avance de 10000 ms"},
        {"overlap short, no start asked",
         {R"({"startAtMs": null})",
          R"({"startAtMs": null, "referenceStartedAtMs": 1796592602000})"},
         3,
         "pas tous ensemble pendant la durée prévue"},
        {"never together", {"{}", R"({"referenceStartedAtMs": 1796592700000})"}, 3, "Jamais tous"},
        {"a clock not measured",
         {"{}", R"({"clockOffsetMs": null, "referenceStartedAtMs": null})"},
         3,
         "Horloges non comparées"},
        {"a local folder", {"{}", R"({"networkPath": false})"}, 3, "pas sur le réseau"},
        {"a client that caches writes",
         {"{}", R"({"fileSystem": "fuse.rclone", "cachesWrites": true, "serverProven": false})"},
         3,
         "(fuse.rclone) garde les écritures dans un cache local"},
        {"a ring of cross-checks", {Cross(R"("h1")"), Cross(R"("h0")")}, 0, "h1 → h0 : ok"},
        {"nothing from the partner",
         {Cross("null", 0), Cross(R"("h0")")},
         1,
         "? → h0 : rien reçu d'un autre client"},
        {"a partner outside the fleet", {Cross(R"("h9")")}, 1, "n'est pas un client"},
        {"files nobody read", {Cross(R"("h1")"), "{}"}, 1, "relus par aucun client"},
        {"the reader failed",
         {Cross(R"("h1")"),
          R"({"result": "failed", "ending": "failure", "failures": [{"test":
             "Contrôle croisé : fichiers d'un autre client relus", "category": "truncated"}],
             "crossCheck": {"directory": "/x", "partner": "h0", "bytesRead": 0,
             "bytesWritten": 0}})"},
         1,
         "h0 → h1 : fichiers manquants ou différents"},
        {"more cross-checked than carried", {Cross(R"("h0")", 5000)}, 2, "contrôle croisé"},
        {"a local folder allowed",
         {R"({"networkPath": false})"},
         0,
         "h0 | Résultat : ok",
         "--allow-local"},
        {"until stopped, ending on its time",
         {R"({"settings": {"durationMinutes": 2147483647, "stopAfterSeconds": 0}})"},
         2,
         "« time-up »"},
        {"until stopped, for 3 minutes",
         {UntilStopped(180), UntilStopped(180)},
         0,
         "en même temps pendant 2 min 59 sec"},
        {"until stopped, for 2", {UntilStopped(120), UntilStopped(120)}, 3, "sur 3 min"},
        {"a silence the result plays down", {kSilent}, 1, "pendant 7 sec"},
        {"a stretch nobody saw",  // the engine did not look then
         {std::string(kSilent).insert(std::string(kSilent).find("\"read\""),
                                      R"("gaps": [{"fromMs": 6000, "ms": 7000}], )")},
         0,
         "suivi interrompu pendant 7 sec"},
        {"one local folder allowed",
         {"{}", R"({"networkPath": false})"},
         0,
         "h1 | Résultat : ok",
         "--allow-local-for=H1"},
        {"another's local folder allowed",
         {R"({"networkPath": false})", "{}"},
         3,
         "pas sur le réseau",
         "--allow-local-for=h1"},
        {"a frozen client",
         {R"({"settings": {"stallSeconds": 5}, "longestShareIdleMs": 6000})"},
         1,
         "aucun octet sur le partage pendant 6 sec"},
        {"says ok, lists a failure", {R"({"failures": [{"test": "T"}]})"}, 1, "chez h0 : T ()"},
        {"other members ignored",
         {R"({"x": {"y": 1}, "settings": {"z": 2}})"},
         0,
         "h0 | Résultat : ok"},
        {"a missing result failed", {"{}", "@missing"}, 1, "aucun résultat", "--missing-as-failed"},
        {"another version", {"{}", R"({"version": "2.0.0+607.2.b"})"}, 2, "--allow-mixed"},
        {"versions allowed", {"{}", R"({"version": "2.0.0+607.2.b"})"}, 0, "h1 |", "--allow-mixed"},
        {"another start", {"{}", R"({"startAtMs": 1796592000000})"}, 2, "pas été lancé avec"},
        {"a number out of range", {R"({"startedAtMs": -5})"}, 2, "membre « startedAtMs »"},
        {"settings no run keeps", {R"({"settings": {"diskSpaceMb": 40960}})"}, 2, "« settings »"},
        {"no sets at all", {R"({"settings": {"simultaneousTests": 0}})"}, 2, "« settings »"},
        {"no minutes", {R"({"settings": {"durationMinutes": 0}})"}, 2, "« settings »"},
        {"an odd failure", {R"({"failures": [{"test": 5}]})"}, 2, "membre « failures »"},
        {"a missing result", {"{}", "@missing"}, 2, "Impossible de lire"},
        {"not JSON", {"{}", "@{\"label\": "}, 2, "n'est pas un fichier JSON valide"},
        {"JSON, not a result", {"@[1, 2]"}, 2, "n'est pas un résultat de dalvex2-cli"},
        {"nested too deep", {kDeep}, 2, "imbriqué sur plus de 16 niveaux"},
        {"too large", {"@" + std::string(1 << 20, ' ') + "{}"}, 2, "trop grand"},
        {"a member twice", {R"(@{"failures": [{"test": "T"}], "failures": []})"}, 2, "deux fois"},
        {"10^13 bytes in 20 s",
         {R"({"bytesWritten": 9999999999999, "bytesRead": 9999999999999})"},
         2,
         "plus d'octets"},
        {"series not adding up", {R"({"shareBytesRead": 2001})"}, 2, "membre « series »"},
        {"every test's bytes, one point short",
         {R"({"series": {"total": [1]}})"},
         2,
         "membre « series »"},
        {"a line in a label", {R"({"label": "h0\nÉchec"})"}, 2, "caractère invisible"},
        {"an escape in a test", {R"({"failures": [{"test": "\u001b[2J"}]})"}, 2, "« failures »"},
        {"no label", {R"({"label": " "})"}, 2, "est vide"},
        {"an unknown result", {R"({"result": "fine"})"}, 2, "membre « result »"},
        {"other settings", {"{}", R"({"settings": {"stopAfterSeconds": 30}})"}, 2, "les réglages"},
        {"one label twice", {"{}", R"({"label": "Ｈ0 "})"}, 2, "se confond avec \"h0\""},
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
            json client = Healthy(i);
            if (text[0] != '@') client.merge_patch(json::parse(text));
            WriteFile(files.back(), text[0] == '@' ? text.substr(1) : client.dump());
        }
        std::vector<std::string> args{"merge", "--json", "-", row.option};
        std::string last = files.empty() ? "" : files.back();  // named in a refusal
        for (std::size_t i = 0; i < row.checks.size(); ++i) {
            last = dir.File("check" + std::to_string(i) + ".json");
            std::remove(last.c_str());
            args.insert(args.end(), {"--verified", last});
            if (row.checks[i] == "@missing") continue;
            json check = Healthy(0);
            check.merge_patch(json::parse(row.checks[i]));
            WriteFile(last, check.dump());
        }
        args.insert(args.end(), files.begin(), files.end());
        const CliResult r = CliProcess::Run(args, dir.Path());
        const std::string& text = r.err;
        EXPECT_EQ(r.status, row.status) << text;
        EXPECT_NE(text.find(row.says), std::string::npos) << text;
        EXPECT_EQ(text.find("Le test a réussi") != std::string::npos, r.status == 0) << text;
        if (r.status == 2) {
            EXPECT_TRUE(r.out.empty()) << r.out;
            EXPECT_NE(text.find(last), std::string::npos) << "names the file: " << text;
            continue;
        }
        const json j = ParseResult(r.out);
        EXPECT_EQ(j["result"], r.status == 0 ? "ok" : r.status == 1 ? "failed" : "interrupted");
        EXPECT_EQ(j["clients"].size(), files.size());
        EXPECT_EQ(j["keptChecks"].size(),
                  std::count(row.checks.begin(), row.checks.end(), "@missing") == 0
                      ? row.checks.size()
                      : 0u);
        // Each failure names a client that had one.
        for (const json& f : j["failures"]) {
            EXPECT_EQ(j["clients"][f["label"] == "h0" ? 0 : 1]["failures"], 1) << f;
        }
    }
    // Nor does it read past its bounds, nor allow a folder to a stranger.
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
    // Nor does the merged result replace a client's.
    const std::string client = dir.File("0.json"), kept = ReadFile(client);
    EXPECT_EQ(CliProcess::Run({"merge", "--json", client, client}, dir.Path()).status, 2);
    EXPECT_EQ(ReadFile(client), kept);
}
