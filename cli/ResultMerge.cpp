#include "cli/ResultMerge.h"

#include <algorithm>

#include "cli/ClientLabel.h"
#include "cli/ResultFile.h"
#include "cli/ResultReader.h"
#include "engine/CDVXPrefs.h"
#include "engine/CDVXProgressData.h"
#include "engine/CDVXTimings.h"
#include "engine/RunVerdict.h"
#include "platform/ResourceIds.h"
#include "platform/WholeFile.h"
#include "report/ProgressText.h"

using json = nlohmann::json;
using ordered = nlohmann::ordered_json;

namespace {

// How far apart clients may start, and by how much their common time may
// fall short of the time asked, for them to count as testing together.
constexpr int64_t kTogetherMs = 1000;

struct Client {
    ResultReader::Client read;
    RunVerdict::Result result = RunVerdict::kOk;
    std::vector<std::string> reasons;  // why it is not "ok", in French
    int64_t startMs = 0;               // on the common clock, when measured

    const json& Data() const { return read.data; }
    int64_t EndMs() const { return startMs + Data()["elapsedMs"].get<int64_t>(); }
    void Fault(RunVerdict::Result worse, std::string why) {
        if (Severity(worse) > Severity(result)) result = worse;
        reasons.push_back(std::move(why));
    }
    static int Severity(RunVerdict::Result r) {
        return r == RunVerdict::kFailed ? 2 : r == RunVerdict::kInterrupted ? 1 : 0;
    }
};

std::string Seconds(uint64_t ms) {
    return CDVXProgressData::FormatDuration(
               static_cast<uint32_t>(std::min<uint64_t>(ms, UINT32_MAX)))
        .ToUtf8();
}

// How long the run was asked to last: its minutes, or --stop-after if sooner;
// 0 for a run until stopped, which has no time of its own to reach.
uint64_t PlannedMs(const json& settings) {
    const uint64_t minutes = settings["durationMinutes"], stopAfter = settings["stopAfterSeconds"];
    if (stopAfter > 0) return std::min(stopAfter * 1000, minutes * CDVXTimings::kMinuteMs);
    return minutes == CDVXPrefs::UntilStopped ? 0 : minutes * CDVXTimings::kMinuteMs;
}

// Why `c` cannot be merged with the clients read before it, or empty.
std::string Mismatch(const Client& c, const std::vector<Client>& earlier,
                     const ResultMerge::Options& options) {
    for (const Client& e : earlier) {
        if (e.read.key == c.read.key) {
            return c.read.file + " : le client " + json(c.read.label).dump() + " se confond avec " +
                   json(e.read.label).dump() + " de " + e.read.file + ".";
        }
    }
    const auto first = std::find_if(earlier.begin(), earlier.end(),
                                    [](const Client& e) { return e.read.present; });
    if (!c.read.present || first == earlier.end()) return "";
    const json &a = first->Data(), &b = c.Data();
    if (a["startAtMs"] != b["startAtMs"]) {
        return c.read.file + " n'a pas été lancé avec " + first->read.file +
               " (heure de départ demandée : " + b["startAtMs"].dump() + " au lieu de " +
               a["startAtMs"].dump() + ").";
    }
    if (a["settings"] != b["settings"]) {
        return c.read.file + " : les réglages (" + b["settings"].dump() + ") ne sont pas ceux de " +
               first->read.file + " (" + a["settings"].dump() + ").";
    }
    if (!options.allowMixed && a["version"] != b["version"]) {
        return c.read.file + " vient de la version " + b["version"].get<std::string>() + ", " +
               first->read.file + " de la version " + a["version"].get<std::string>() +
               " (--allow-mixed pour les réunir).";
    }
    return "";
}

// The client's result read again from what it says it did, by a run's own
// rules, so that no file can claim more than its figures show.
void Judge(Client& c, bool fleet, const ResultMerge::Options& options) {
    if (!c.read.present) {
        c.Fault(RunVerdict::kFailed, "aucun résultat (" + c.read.file + ")");
        return;
    }
    const json& j = c.Data();
    const bool failed =
        j["result"] == "failed" || j["ending"] == "failure" || !j["failures"].empty();
    const RunVerdict verdict(RunVerdict::EndingOf(j["ending"].get<std::string>()), failed,
                             j["bytesWritten"], j["bytesRead"]);
    c.result = verdict.result;
    const bool measured = !j["clockOffsetMs"].is_null();
    c.startMs = measured ? j["referenceStartedAtMs"] : j["startedAtMs"];
    const uint64_t planned = PlannedMs(j["settings"]), elapsed = j["elapsedMs"];
    if (c.result == RunVerdict::kOk && j["result"] != "ok") {
        c.Fault(RunVerdict::kInterrupted, "le client n'a pas conclu « ok »");
    }
    if (c.result == RunVerdict::kOk && verdict.ending != RunVerdict::kTimeUp) {
        c.Fault(RunVerdict::kInterrupted, "le test n'est pas allé jusqu'à son heure");
    }
    // The cross-check reads the other client's files, not its own.
    const json& cross = j["crossCheck"];
    const uint64_t crossRead = cross.is_null() ? 0 : cross["bytesRead"].get<uint64_t>(),
                   crossWritten = cross.is_null() ? 0 : cross["bytesWritten"].get<uint64_t>();
    if (j["bytesRead"].get<uint64_t>() - crossRead !=
        j["bytesWritten"].get<uint64_t>() - crossWritten)
        c.Fault(RunVerdict::kInterrupted, "tout n'a pas été relu");
    if (elapsed < planned) {
        c.Fault(RunVerdict::kInterrupted,
                "a testé " + Seconds(elapsed) + " sur " + Seconds(planned) + " prévues");
    }
    if (!j["serverProven"]) {
        c.Fault(RunVerdict::kInterrupted, "le client du partage (" +
                                              j["fileSystem"].get<std::string>() +
                                              ") garde les écritures dans un cache local : "
                                              "le serveur n'est pas prouvé");
    }
    if (!j["networkPath"] && !options.allowLocal) {
        c.Fault(RunVerdict::kInterrupted, "le répertoire n'est pas sur le réseau (--allow-local)");
    }
    if (fleet && !measured) {
        c.Fault(RunVerdict::kInterrupted, "son horloge n'a pas été comparée (--clock-offset)");
    }
    if (!j["startAtMs"].is_null()) {
        const int64_t late = c.startMs - j["startAtMs"].get<int64_t>();
        if (late > kTogetherMs || late < -kTogetherMs) {
            c.Fault(RunVerdict::kInterrupted,
                    std::string(late > 0 ? "départ en retard" : "départ en avance") + " de " +
                        std::to_string(late > 0 ? late : -late) + " ms");
        }
    }
    const uint64_t idle = j["longestShareIdleMs"],
                   limit = j["settings"]["stallSeconds"].get<uint64_t>() * 1000;
    if (idle > limit) {
        c.Fault(RunVerdict::kFailed, "aucun octet sur le partage pendant " + Seconds(idle) +
                                         " (plus que le délai sans réponse de " + Seconds(limit) +
                                         ")");
    }
}

// What the share carried for `c` between `from` and `to` on the common
// clock, each point of its course counted for the part of it inside.
uint64_t BytesBetween(const Client& c, int64_t from, int64_t to) {
    const json& series = c.Data()["series"];
    const int64_t interval = series["intervalMs"];
    uint64_t total = 0;
    for (std::size_t i = 0; i < series["written"].size(); ++i) {
        const int64_t begin = c.startMs + static_cast<int64_t>(i) * interval;
        const int64_t inside = std::min(to, begin + interval) - std::max(from, begin);
        if (inside <= 0) continue;
        const uint64_t bytes =
            series["written"][i].get<uint64_t>() + series["read"][i].get<uint64_t>();
        total += static_cast<uint64_t>(static_cast<long double>(bytes) * inside / interval);
    }
    return total;
}

std::string Bytes(const json& count) {
    return ProgressText::Bytes(count.get<uint64_t>()).ToUtf8() + " octets";
}

std::string Line(const Client& c) {
    std::string line = c.read.label + " | Résultat : " + RunVerdict::ResultName(c.result);
    if (c.read.present) {
        const json& j = c.Data();
        line += " | Fin : " + j["ending"].get<std::string>() +
                " | Écrits : " + Bytes(j["bytesWritten"]) + " | Lus : " + Bytes(j["bytesRead"]) +
                " | Débit sur le partage : " +
                ProgressText::Throughput(j["shareThroughput"].get<uint64_t>()).ToUtf8() +
                " | Échecs : " + std::to_string(j["failures"].size());
    }
    for (const std::string& why : c.reasons) line += " | " + why;
    return line + "\n";
}

ordered Entry(const Client& c) {
    ordered entry = {{"label", c.read.label},
                     {"file", c.read.file},
                     {"result", RunVerdict::ResultName(c.result)},
                     {"reasons", c.reasons}};
    if (!c.read.present) return entry;
    const json& j = c.Data();
    for (const char* name : {"host",
                             "version",
                             "directory",
                             "networkPath",
                             "fileSystem",
                             "serverProven",
                             "ending",
                             "startedAt",
                             "startedAtMs",
                             "clockOffsetMs",
                             "referenceStartedAtMs",
                             "elapsedMs",
                             "bytesWritten",
                             "bytesRead",
                             "throughput",
                             "shareBytesWritten",
                             "shareBytesRead",
                             "shareThroughput",
                             "longestShareIdleMs",
                             "leftFiles"}) {
        entry[name] = j[name];
    }
    entry["failures"] = j["failures"].size();
    return entry;
}

// Reads every file, or says on `err` why they cannot be merged.
bool ReadAll(const std::vector<std::string>& files, const ResultMerge::Options& options,
             std::vector<Client>* clients, std::FILE* err) {
    std::string why;
    for (const std::string& file : files) {
        Client client;
        if (!options.jsonPath.empty() && options.jsonPath != "-" &&
            platform::WholeFile::SameFile(file, options.jsonPath)) {
            std::fprintf(err, "Le résultat réuni remplacerait %s.\n", file.c_str());
            return false;
        }
        if (!ResultReader::Read(file, options.missingAsFailed, &client.read, &why)) {
            std::fprintf(err, "%s\n", why.c_str());
            return false;
        }
        why = Mismatch(client, *clients, options);
        if (!why.empty()) {
            std::fprintf(err, "%s\n", why.c_str());
            return false;
        }
        clients->push_back(std::move(client));
    }
    return true;
}

// The cross-checks: who read whose files, and how it went. A reader that
// failed its side, read nothing, or names no client of the fleet fails the
// pair; a client whose files nobody read has proved nothing to anyone.
ordered CrossChecks(std::vector<Client>& clients, std::string* text) {
    const std::string readTest = Chaine(Chaine::ResourceId(res::kCrossReadTestName)).ToUtf8();
    ordered pairs = ordered::array();
    std::vector<std::string> readers(clients.size());  // whose files were read, by whom
    for (Client& reader : clients) {
        if (!reader.read.present || reader.Data()["crossCheck"].is_null()) continue;
        const json& cross = reader.Data()["crossCheck"];
        Client* writer = nullptr;
        std::string key, why;
        if (cross["partner"].is_string() &&
            ClientLabel::Key(cross["partner"].get<std::string>(), &key, &why)) {
            for (Client& w : clients) {
                if (w.read.key == key && &w != &reader) writer = &w;
            }
        }
        const json& failures = reader.Data()["failures"];
        const bool failed = std::any_of(failures.begin(), failures.end(), [&](const json& f) {
            return f.value("test", std::string()) == readTest;
        });
        std::string problem;
        if (failed) {
            problem = "fichiers manquants ou différents";
        } else if (!writer) {
            problem = cross["partner"].is_null() ? "rien reçu d'un autre client"
                                                 : "l'auteur n'est pas un client de cet ensemble";
        } else if (cross["bytesRead"] == 0) {
            problem = "rien relu";
        }
        const std::string from = writer ? writer->read.label
                                 : cross["partner"].is_string()
                                     ? cross["partner"].get<std::string>()
                                     : "?";
        if (writer) readers[writer - clients.data()] = reader.read.label;
        const std::string pair = from + " → " + reader.read.label;
        *text += "Contrôle croisé " + pair + " : " + (problem.empty() ? "ok" : problem) + " (" +
                 Bytes(cross["bytesRead"]) + " relus)\n";
        if (!problem.empty())
            reader.Fault(RunVerdict::kFailed, "contrôle croisé " + pair + " : " + problem);
        pairs.push_back({{"writer", writer ? ordered(writer->read.label) : ordered()},
                         {"reader", reader.read.label},
                         {"result", problem.empty() ? "ok" : "failed"},
                         {"bytesRead", cross["bytesRead"]}});
    }
    for (std::size_t i = 0; i < clients.size(); ++i) {
        Client& c = clients[i];
        if (c.read.present && !c.Data()["crossCheck"].is_null() && readers[i].empty()) {
            c.Fault(RunVerdict::kFailed,
                    "contrôle croisé : ses fichiers n'ont été relus par aucun client");
        }
    }
    return pairs;
}

struct Merged {
    RunVerdict::Result result = RunVerdict::kOk;
    std::string text;
    ordered document;
};

// The clients together: each judged, then the window in which all of them
// ran and what the share carried for them in it.
Merged Merge(std::vector<Client>& clients, const ResultMerge::Options& options) {
    std::vector<Client*> present;
    for (Client& c : clients) {
        if (c.read.present) present.push_back(&c);
    }
    for (Client& c : clients) Judge(c, present.size() > 1, options);
    Merged m;
    std::string pairsText;
    const ordered pairs = CrossChecks(clients, &pairsText);
    json settings;
    int64_t windowStart = INT64_MIN, windowEnd = INT64_MAX;
    for (const Client* c : present) {
        windowStart = std::max(windowStart, c->startMs);
        windowEnd = std::min(windowEnd, c->EndMs());
        settings = c->Data()["settings"];
    }
    // Starts read on clocks nobody compared say nothing of who ran when.
    const bool unmeasured =
        present.size() > 1 && std::any_of(present.begin(), present.end(), [](const Client* c) {
            return c->Data()["clockOffsetMs"].is_null();
        });
    const int64_t window = present.empty() || unmeasured ? 0 : windowEnd - windowStart;
    const uint64_t planned = present.empty() ? 0 : PlannedMs(settings);
    std::string together, fleetWhy;
    uint64_t rate = 0;
    if (unmeasured) {
        together = " | Horloges non comparées : rien ne dit qu'ils ont testé en même temps";
    } else if (window > 0) {
        uint64_t bytes = 0;
        for (const Client* c : present) bytes += BytesBetween(*c, windowStart, windowEnd);
        rate = static_cast<uint64_t>(static_cast<long double>(bytes) * 1000 / window);
        together = " | Tous en même temps pendant " + Seconds(window) +
                   " | Débit sur le partage : " + ProgressText::Throughput(rate).ToUtf8();
    } else if (!present.empty()) {
        together = " | Jamais tous en même temps";
    }
    // Clients that did not run together for the time asked did not load the
    // server together: the verdict cannot be theirs.
    if (!present.empty() && !unmeasured &&
        (window <= 0 || static_cast<uint64_t>(window) + kTogetherMs < planned)) {
        fleetWhy = "pas tous ensemble pendant la durée prévue (" + Seconds(planned) + ")";
        together += " | " + fleetWhy;
        m.result = RunVerdict::kInterrupted;
    }
    ordered list = ordered::array(), failures = ordered::array();
    for (const Client& c : clients) {
        if (Client::Severity(c.result) > Client::Severity(m.result)) m.result = c.result;
        m.text += Line(c);
        list.push_back(Entry(c));
        if (!c.read.present) continue;
        for (const json& f : c.Data()["failures"]) {
            ordered labelled = {{"label", c.read.label}};
            for (const auto& [name, value] : f.items()) labelled[name] = value;
            failures.push_back(labelled);
            m.text += "Échec chez " + c.read.label + " : " + f.value("test", std::string()) + " (" +
                      f.value("category", std::string()) + ")\n";
        }
    }
    m.text += pairsText;
    m.text += "Ensemble : " + std::to_string(clients.size()) + " client(s)" + together + "\n";
    m.document = {
        {"result", RunVerdict::ResultName(m.result)},
        {"settings", settings},
        {"window",
         window > 0 ? ordered{{"startedAtMs", windowStart}, {"elapsedMs", window}} : ordered()},
        {"plannedMs", planned},
        {"together", !present.empty() && !unmeasured && fleetWhy.empty()},
        {"throughput", window > 0 ? ordered(rate) : ordered()},
        {"clients", list},
        {"crossChecks", pairs},
        {"failures", failures},
    };
    return m;
}

}  // namespace

int ResultMerge::Run(const std::vector<std::string>& files, const Options& options, std::FILE* out,
                     std::FILE* err) {
    std::vector<Client> clients;
    if (!ResultFile::CanDeliver(options.jsonPath, err) || !ReadAll(files, options, &clients, err)) {
        return 2;
    }
    const Merged m = Merge(clients, options);
    bool delivered = true;
    if (!options.jsonPath.empty()) {
        delivered = ResultFile::Deliver(
            options.jsonPath, m.document.dump(2, ' ', false, json::error_handler_t::replace) + "\n",
            out, err);
    }
    std::FILE* textOut = options.jsonPath == "-" ? err : out;
    std::fputs(m.text.c_str(), textOut);
    std::fprintf(textOut, "%s\n", RunVerdict::Sentence(m.result));
    std::fflush(textOut);
    return delivered ? RunVerdict::ExitCode(m.result) : 2;
}
