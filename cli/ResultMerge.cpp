#include "cli/ResultMerge.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>

#include "cli/ResultFile.h"
#include "engine/CDVXPrefs.h"
#include "engine/CDVXProgressData.h"
#include "engine/CDVXTimings.h"
#include "engine/RunVerdict.h"
#include "platform/WholeFile.h"
#include "report/ProgressText.h"

using json = nlohmann::ordered_json;

namespace {

struct Client {
    std::string file;
    json data;
    RunVerdict::Result result = RunVerdict::kInterrupted;
};

// Bounds that no real result reaches, so that sums and differences of them
// stay far inside 64 bits: the year 5138, and a petabyte a second.
constexpr uint64_t kMaxEpochMs = 100000000000000;
constexpr uint64_t kMaxBytes = 1000000000000000000;
constexpr uint64_t kMaxThroughput = 1000000000000000;
// How late after the common start a client may begin and still count.
constexpr uint64_t kLateMs = 1000;

bool IsOneOf(const json& value, std::initializer_list<const char*> names) {
    return value.is_string() &&
           std::any_of(names.begin(), names.end(), [&](const char* n) { return value == n; });
}

bool IsCount(const json& value, uint64_t max) {
    return value.is_number_unsigned() && value.get<uint64_t>() <= max;
}

// A setting within the bounds a run keeps, or `other` when given.
bool IsSetting(const json& value, const SettingLimit& limits,
               std::optional<uint32_t> other = std::nullopt) {
    return IsCount(value, UINT32_MAX) &&
           ((other && value == *other) || (value >= limits.minimum && value <= limits.maximum));
}

// The member of a result that is missing or of the wrong kind, or null.
const char* BadMember(const json& j) {
    const auto text = [](const json& v) { return v.is_string() && !v.get<std::string>().empty(); };
    const auto moment = [](const json& v) { return IsCount(v, kMaxEpochMs); };
    const auto bytes = [](const json& v) { return IsCount(v, kMaxBytes); };
    const struct {
        const char* name;
        bool (*valid)(const json&);
    } members[] = {
        {"label", text},
        {"host", [](const json& v) { return v.is_string(); }},
        {"startedAt", text},
        {"startedAtMs", moment},
        {"startAtMs", [](const json& v) { return v.is_null() || IsCount(v, kMaxEpochMs); }},
        {"settings",
         [](const json& v) {
             return v.is_object() &&
                    IsSetting(v.value("diskSpaceMb", json()), SettingLimits::kDiskSpaceMb) &&
                    IsSetting(v.value("simultaneousTests", json()),
                              SettingLimits::kSimultaneousTests) &&
                    IsSetting(v.value("durationMinutes", json()), SettingLimits::kDurationMinutes,
                              CDVXPrefs::UntilStopped) &&
                    IsCount(v.value("stopAfterSeconds", json()), UINT32_MAX);
         }},
        {"elapsedMs", [](const json& v) { return IsCount(v, UINT32_MAX); }},
        {"bytesWritten", bytes},
        {"bytesRead", bytes},
        {"throughput", [](const json& v) { return IsCount(v, kMaxThroughput); }},
        {"ending",
         [](const json& v) {
             return IsOneOf(v, {"time-up", "stopped", "aborted", "failure"});
         }},
        {"result",
         [](const json& v) {
             return IsOneOf(v, {"ok", "failed", "interrupted"});
         }},
        {"failures",
         [](const json& v) {
             return v.is_array() && std::all_of(v.begin(), v.end(), [](const json& f) {
                        return f.is_object() && f.value("test", json("")).is_string() &&
                               f.value("category", json("")).is_string();
                    });
         }},
    };
    if (!j.is_object()) return "";
    for (const auto& m : members) {
        if (!j.contains(m.name) || !m.valid(j[m.name])) return m.name;
    }
    return nullptr;
}

// How long the run was asked to last: its minutes, or --stop-after if sooner.
uint64_t PlannedMs(const json& settings) {
    const uint64_t minutes = settings["durationMinutes"], stopAfter = settings["stopAfterSeconds"];
    return std::min(minutes * CDVXTimings::kMinuteMs,
                    stopAfter > 0 ? stopAfter * 1000 : UINT64_MAX);
}

// How much later than the common start the client began (0: on time, or no
// common start was asked for).
uint64_t LateMs(const json& j) {
    if (j["startAtMs"].is_null()) return 0;
    const uint64_t asked = j["startAtMs"], started = j["startedAtMs"];
    return started > asked ? started - asked : 0;
}

// The client's result read again from what it says it did, by a run's own
// rules, so that no file can claim more than its figures show; "ok" also
// needs the whole time asked for, begun on time, and every byte written read
// back.
RunVerdict::Result Judge(const json& j) {
    const bool failed =
        j["result"] == "failed" || j["ending"] == "failure" || !j["failures"].empty();
    const RunVerdict verdict(RunVerdict::EndingOf(j["ending"].get<std::string>()), failed,
                             j["bytesWritten"], j["bytesRead"]);
    if (verdict.result != RunVerdict::kOk) return verdict.result;
    const bool complete = j["result"] == "ok" && verdict.ending == RunVerdict::kTimeUp &&
                          j["bytesRead"] == j["bytesWritten"] &&
                          j["elapsedMs"] >= PlannedMs(j["settings"]) && LateMs(j) <= kLateMs;
    return complete ? RunVerdict::kOk : RunVerdict::kInterrupted;
}

// Settings compared member by member, whatever their order in the file.
bool SameSettings(const json& a, const json& b) {
    return nlohmann::json::parse(a.dump()) == nlohmann::json::parse(b.dump());
}

// Reads one file into `client`, or says why it cannot be merged with `earlier`.
bool Read(const std::string& file, const std::vector<Client>& earlier, Client* client,
          std::string* error) {
    std::string bytes, why;
    if (!ResultFile::Read(file, &bytes, &why)) {
        *error = "Impossible de lire " + file + " : " + why;
        return false;
    }
    json j = json::parse(bytes, nullptr, false);
    if (j.is_discarded()) {
        *error = file + " n'est pas un fichier JSON valide.";
        return false;
    }
    if (const char* bad = BadMember(j)) {
        *error = file + " n'est pas un résultat de dalvex2-cli" +
                 (*bad ? std::string(" (membre « ") + bad + " » absent ou incorrect)." : ".");
        return false;
    }
    for (const Client& c : earlier) {
        if (c.data["label"] == j["label"]) {
            *error = file + " : le client « " + j["label"].get<std::string>() +
                     " » figure déjà dans " + c.file + ".";
            return false;
        }
    }
    if (!earlier.empty() && earlier.front().data["startAtMs"] != j["startAtMs"]) {
        *error = file + " n'a pas été lancé avec " + earlier.front().file +
                 " (heure de départ demandée : " + j["startAtMs"].dump() + " au lieu de " +
                 earlier.front().data["startAtMs"].dump() + ").";
        return false;
    }
    if (!earlier.empty() && !SameSettings(earlier.front().data["settings"], j["settings"])) {
        *error = file + " : les réglages (" + j["settings"].dump() + ") ne sont pas ceux de " +
                 earlier.front().file + " (" + earlier.front().data["settings"].dump() + ").";
        return false;
    }
    client->file = file;
    client->data = std::move(j);
    client->result = Judge(client->data);
    return true;
}

int Severity(RunVerdict::Result result) {
    return result == RunVerdict::kFailed ? 2 : result == RunVerdict::kInterrupted ? 1 : 0;
}

std::string Bytes(const json& count) {
    return ProgressText::Bytes(count.get<uint64_t>()).ToUtf8() + " octets";
}

std::string Line(const Client& c) {
    const json& j = c.data;
    return j["label"].get<std::string>() + " | Résultat : " + RunVerdict::ResultName(c.result) +
           " | Fin : " + j["ending"].get<std::string>() +
           " | Écrits : " + Bytes(j["bytesWritten"]) + " | Lus : " + Bytes(j["bytesRead"]) +
           " | Débit : " + ProgressText::Throughput(j["throughput"].get<uint64_t>()).ToUtf8() +
           " | Échecs : " + std::to_string(j["failures"].size()) +
           (LateMs(j) > kLateMs ? " | Départ en retard de " + std::to_string(LateMs(j)) + " ms"
                                : "") +
           "\n";
}

// Reads every file, or says on `err` why they cannot be merged.
bool ReadAll(const std::vector<std::string>& files, const std::string& jsonPath,
             std::vector<Client>* clients, std::FILE* err) {
    std::string why;
    for (const std::string& file : files) {
        Client client;
        if (!jsonPath.empty() && jsonPath != "-" && platform::WholeFile::SameFile(file, jsonPath)) {
            std::fprintf(err, "Le résultat réuni remplacerait %s.\n", file.c_str());
            return false;
        }
        if (!Read(file, *clients, &client, &why)) {
            std::fprintf(err, "%s\n", why.c_str());
            return false;
        }
        clients->push_back(std::move(client));
    }
    return true;
}

// The clients together: a line for people and an entry of the merged JSON
// each, every failure with its client's label, the window in which every
// client ran (its length fits 32 bits, as each elapsed time does) and their
// throughputs added: each client's average is all a result tells of its course.
struct Merged {
    RunVerdict::Result result = RunVerdict::kOk;
    std::string text;
    json document;
};

Merged Merge(const std::vector<Client>& clients) {
    int64_t windowStart = INT64_MIN, windowEnd = INT64_MAX;
    uint64_t rate = 0;
    Merged m;
    json clientList = json::array(), failures = json::array();
    for (const Client& c : clients) {
        const json& j = c.data;
        const int64_t start = j["startedAtMs"], elapsed = j["elapsedMs"];
        windowStart = std::max(windowStart, start);
        windowEnd = std::min(windowEnd, start + elapsed);
        rate += j["throughput"].get<uint64_t>();
        if (Severity(c.result) > Severity(m.result)) m.result = c.result;
        m.text += Line(c);
        clientList.push_back({
            {"label", j["label"]},
            {"host", j["host"]},
            {"file", c.file},
            {"result", RunVerdict::ResultName(c.result)},
            {"ending", j["ending"]},
            {"startedAt", j["startedAt"]},
            {"startedAtMs", j["startedAtMs"]},
            {"elapsedMs", j["elapsedMs"]},
            {"bytesWritten", j["bytesWritten"]},
            {"bytesRead", j["bytesRead"]},
            {"throughput", j["throughput"]},
            {"failures", j["failures"].size()},
        });
        for (const json& f : j["failures"]) {
            json labelled = {{"label", j["label"]}};
            labelled.update(f);
            labelled["label"] = j["label"];  // whatever the entry itself says
            failures.push_back(labelled);
            m.text += "Échec chez " + j["label"].get<std::string>() + " : " +
                      f.value("test", std::string()) + " (" + f.value("category", std::string()) +
                      ")\n";
        }
    }
    const int64_t window = windowEnd - windowStart;
    json windowJson, throughput;
    m.text += "Ensemble : " + std::to_string(clients.size()) + " client(s)";
    if (window > 0) {
        windowJson = {{"startedAtMs", windowStart}, {"elapsedMs", window}};
        throughput = rate;
        m.text += " | Tous en même temps pendant " +
                  CDVXProgressData::FormatDuration(static_cast<uint32_t>(window)).ToUtf8() +
                  " | Débit : " + ProgressText::Throughput(rate).ToUtf8() + "\n";
    } else {
        // Clients that never ran together did not load the server together.
        m.text += " | Jamais tous en même temps\n";
        if (m.result == RunVerdict::kOk) m.result = RunVerdict::kInterrupted;
    }
    m.document = {
        {"result", RunVerdict::ResultName(m.result)},
        {"settings", clients.front().data["settings"]},
        {"window", windowJson},
        {"throughput", throughput},
        {"clients", clientList},
        {"failures", failures},
    };
    return m;
}

}  // namespace

int ResultMerge::Run(const std::vector<std::string>& files, const std::string& jsonPath,
                     std::FILE* out, std::FILE* err) {
    std::vector<Client> clients;
    if (!ResultFile::CanDeliver(jsonPath, err) || !ReadAll(files, jsonPath, &clients, err)) {
        return 2;
    }
    const Merged m = Merge(clients);
    bool delivered = true;
    if (!jsonPath.empty()) {
        delivered = ResultFile::Deliver(
            jsonPath, m.document.dump(2, ' ', false, json::error_handler_t::replace) + "\n", out,
            err);
    }
    std::FILE* textOut = jsonPath == "-" ? err : out;
    std::fputs(m.text.c_str(), textOut);
    std::fprintf(textOut, "%s\n", RunVerdict::Sentence(m.result));
    std::fflush(textOut);
    return delivered ? RunVerdict::ExitCode(m.result) : 2;
}
