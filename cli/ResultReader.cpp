#include "cli/ResultReader.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <vector>

#include "cli/ClientLabel.h"
#include "cli/ResultFile.h"
#include "cli/ShareSeries.h"
#include "engine/CDVXPrefs.h"
#include "engine/SettingLimits.h"

using json = nlohmann::json;

namespace {

// Bounds that no real result reaches, so that sums and differences of them
// stay far inside 64 bits: the year 5138, and 10^18 bytes.
constexpr uint64_t kMaxEpochMs = 100000000000000;
constexpr uint64_t kMaxBytes = 1000000000000000000;
constexpr int64_t kMaxOffsetMs = 86400000;

// Stops the parse at the first member given twice in one object, or at a
// nesting deeper than kMaxDepth (which would otherwise cost the reader its
// stack or its memory).
class Shape : public nlohmann::json_sax<json> {
public:
    std::string fault;

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return Open(); }
    bool start_array(std::size_t) override { return Open(); }
    bool end_object() override { return Close(); }
    bool end_array() override { return Close(); }
    bool key(string_t& name) override {
        if (m_levels.back().insert(name).second) return true;
        fault = "le membre « " + json(name).get<std::string>() + " » y figure deux fois";
        return false;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        fault = "ce n'est pas un fichier JSON valide";
        return false;
    }

private:
    bool Open() {
        if (m_levels.size() >= ResultReader::kMaxDepth) {
            fault = "il est imbriqué sur plus de " + std::to_string(ResultReader::kMaxDepth) +
                    " niveaux";
            return false;
        }
        m_levels.emplace_back();
        return true;
    }
    bool Close() {
        m_levels.pop_back();
        return true;
    }
    std::vector<std::set<std::string>> m_levels;  // the keys of each open level
};

bool IsCount(const json& v, uint64_t max) {
    return v.is_number_unsigned() && v.get<uint64_t>() <= max;
}
bool IsMoment(const json& v) { return IsCount(v, kMaxEpochMs); }
bool IsBytes(const json& v) { return IsCount(v, kMaxBytes); }
bool IsText(const json& v) { return v.is_string() && ClientLabel::Shows(v.get<std::string>()); }
bool IsOneOf(const json& v, std::initializer_list<const char*> names) {
    return v.is_string() &&
           std::any_of(names.begin(), names.end(), [&](const char* n) { return v == n; });
}
bool IsOffset(const json& v) {
    return v.is_null() || (v.is_number_integer() && v.get<int64_t>() >= -kMaxOffsetMs &&
                           v.get<int64_t>() <= kMaxOffsetMs);
}

// A setting within the bounds a run keeps, or `other` when given.
bool IsSetting(const json& v, const SettingLimit& limits, std::optional<uint32_t> other = {}) {
    return IsCount(v, UINT32_MAX) &&
           ((other && v == *other) || (v >= limits.minimum && v <= limits.maximum));
}

using Check = bool (*)(const json&);

struct Member {
    const char* name;
    Check valid;
};

// Copies the `members` of `from` that pass their check into `to`; the name
// of the first that is missing or fails, or null.
const char* Take(const json& from, std::initializer_list<Member> members, json* to) {
    for (const Member& m : members) {
        const auto it = from.find(m.name);
        // A member that may be null may be left out.
        const json& value = it != from.end() ? *it : json();
        if (!m.valid(value)) return m.name;
        (*to)[m.name] = value;
    }
    return nullptr;
}

bool TakeSettings(const json& from, json* to) {
    if (!from.is_object()) return false;
    const char* bad = Take(
        from,
        {{"diskSpaceMb", [](const json& v) { return IsSetting(v, SettingLimits::kDiskSpaceMb); }},
         {"simultaneousTests",
          [](const json& v) { return IsSetting(v, SettingLimits::kSimultaneousTests); }},
         {"durationMinutes",
          [](const json& v) {
              return IsSetting(v, SettingLimits::kDurationMinutes, CDVXPrefs::UntilStopped);
          }},
         {"stopAfterSeconds", [](const json& v) { return IsCount(v, UINT32_MAX); }},
         {"stallSeconds",
          [](const json& v) { return IsSetting(v, SettingLimits::kStallSeconds); }}},
        to);
    return bad == nullptr;
}

// The cross-check: null when none was asked.
bool TakeCrossCheck(const json& from, json* to) {
    if (from.is_null()) {
        *to = json();
        return true;
    }
    if (!from.is_object()) return false;
    *to = json::object();
    return Take(from,
                {{"directory", IsText},
                 {"partner", [](const json& v) { return v.is_null() || IsText(v); }},
                 {"bytesRead", IsBytes},
                 {"bytesWritten", IsBytes}},
                to) == nullptr;
}

bool TakeFailures(const json& from, json* to) {
    if (!from.is_array()) return false;
    *to = json::array();
    for (const json& f : from) {
        if (!f.is_object()) return false;
        json kept = json::object();
        for (const char* name : {"test", "directory", "operation", "errnoName", "message", "file",
                                 "expected", "read", "localTime", "testTime"}) {
            const auto it = f.find(name);
            if (it == f.end() || it->is_null()) continue;
            if (!IsText(*it)) return false;
            kept[name] = *it;
        }
        for (const char* name :
             {"errorKind", "winerr", "errno", "position", "stalledSeconds", "testTimeMs"}) {
            const auto it = f.find(name);
            if (it != f.end() && it->is_number_integer()) kept[name] = *it;
        }
        const auto category = f.find("category");
        if (category != f.end()) {
            if (!IsOneOf(*category,
                         {"disk-full", "io-error", "data-differ", "truncated", "internal"}))
                return false;
            kept["category"] = *category;
        }
        to->push_back(std::move(kept));
    }
    return true;
}

// The share's course as ShareSeries gives it, adding up to the share's totals.
bool TakeSeries(const json& from, const json& data, json* to) {
    if (!from.is_object() || !from.contains("intervalMs") || !from.contains("written") ||
        !from.contains("read") || !from.contains("waiting")) {
        return false;
    }
    const json &interval = from["intervalMs"], &written = from["written"], &read = from["read"],
               &waiting = from["waiting"];
    if (!IsCount(interval, UINT32_MAX) || interval < 1000 || !written.is_array() ||
        written.size() > ShareSeries::kMaxPoints || read.size() != written.size() ||
        waiting.size() != written.size() ||
        written.size() > data["elapsedMs"].get<uint64_t>() / interval.get<uint64_t>() + 2) {
        return false;
    }
    const auto sum = [](const json& list, uint64_t* total) {
        *total = 0;
        for (const json& v : list) {
            if (!IsBytes(v) || (*total += v.get<uint64_t>()) > kMaxBytes) return false;
        }
        return true;
    };
    uint64_t w = 0, r = 0;
    if (!sum(written, &w) || !sum(read, &r) || w != data["shareBytesWritten"] ||
        r != data["shareBytesRead"] ||
        !std::all_of(waiting.begin(), waiting.end(),
                     [](const json& v) { return IsCount(v, UINT32_MAX); })) {
        return false;
    }
    *to = {{"intervalMs", interval}, {"written", written}, {"read", read}, {"waiting", waiting}};
    return true;
}

// Why the figures could not come from a run, or empty.
std::string Impossible(const json& d) {
    const uint64_t elapsed = d["elapsedMs"],
                   moved = d["bytesWritten"].get<uint64_t>() + d["bytesRead"].get<uint64_t>();
    if (moved / ResultReader::kMaxBytesPerMs > elapsed + 1000) {
        return "plus d'octets (" + std::to_string(moved) + ") que " + std::to_string(elapsed) +
               " ms n'en permettent";
    }
    if (d["shareBytesWritten"] > d["bytesWritten"] || d["shareBytesRead"] > d["bytesRead"]) {
        return "plus d'octets sur le partage qu'en tout";
    }
    if (d["longestShareIdleMs"] > elapsed) return "une attente plus longue que le test";
    const json& cross = d["crossCheck"];
    if (!cross.is_null() && (cross["bytesRead"] > d["shareBytesRead"] ||
                             cross["bytesWritten"] > d["shareBytesWritten"])) {
        return "plus d'octets au contrôle croisé que sur le partage";
    }
    if (d["clockOffsetMs"].is_null() != d["referenceStartedAtMs"].is_null()) {
        return "une heure de départ de référence sans écart d'horloge, ou l'inverse";
    }
    return "";
}

// Reads the known members of `j` into `client->data`; the reason otherwise.
bool TakeAll(const json& j, ResultReader::Client* client, std::string* why) {
    json& d = client->data;
    d = json::object();
    const char* bad = Take(
        j,
        {{"label", [](const json& v) { return v.is_string(); }},
         {"host", IsText},
         {"version", [](const json& v) { return IsText(v) && !v.get<std::string>().empty(); }},
         {"directory", IsText},
         {"networkPath", [](const json& v) { return v.is_boolean(); }},
         {"fileSystem", IsText},
         {"mountSource", IsText},
         {"cachesWrites", [](const json& v) { return v.is_boolean(); }},
         {"serverProven", [](const json& v) { return v.is_boolean(); }},
         {"startedAt", [](const json& v) { return IsText(v) && !v.get<std::string>().empty(); }},
         {"startedAtMs", IsMoment},
         {"startAtMs", [](const json& v) { return v.is_null() || IsMoment(v); }},
         {"clockOffsetMs", IsOffset},
         {"referenceStartedAtMs", [](const json& v) { return v.is_null() || IsMoment(v); }},
         {"elapsedMs", [](const json& v) { return IsCount(v, UINT32_MAX); }},
         {"bytesWritten", IsBytes},
         {"bytesRead", IsBytes},
         {"throughput", IsBytes},
         {"shareBytesWritten", IsBytes},
         {"shareBytesRead", IsBytes},
         {"shareThroughput", IsBytes},
         {"longestShareIdleMs", [](const json& v) { return IsCount(v, UINT32_MAX); }},
         {"ending",
          [](const json& v) {
              return IsOneOf(v, {"time-up", "stopped", "aborted", "failure"});
          }},
         {"result",
          [](const json& v) {
              return IsOneOf(v, {"ok", "failed", "interrupted"});
          }},
         {"leftFiles",
          [](const json& v) { return v.is_array() && std::all_of(v.begin(), v.end(), IsText); }}},
        &d);
    if (!bad && !TakeSettings(j.value("settings", json()), &d["settings"])) bad = "settings";
    if (!bad && !TakeFailures(j.value("failures", json()), &d["failures"])) bad = "failures";
    if (!bad && !TakeCrossCheck(j.value("crossCheck", json()), &d["crossCheck"])) {
        bad = "crossCheck";
    }
    const std::string impossible = bad ? "" : Impossible(d);
    if (!bad && impossible.empty() && !TakeSeries(j.value("series", json()), d, &d["series"])) {
        bad = "series";
    }
    if (bad) {
        *why = std::string("le membre « ") + bad + " » est absent ou incorrect";
        return false;
    }
    if (!impossible.empty()) {
        *why = "il donne " + impossible;
        return false;
    }
    client->label = d["label"];
    if (!ClientLabel::Key(client->label, &client->key, why)) {
        *why = "le nom du client " + d["label"].dump() + " " + *why;
        return false;
    }
    return true;
}

}  // namespace

bool ResultReader::Read(const std::string& file, bool missingAsFailed, Client* client,
                        std::string* why) {
    client->file = file;
    std::error_code error;
    if (missingAsFailed && std::filesystem::symlink_status(file, error).type() ==
                               std::filesystem::file_type::not_found) {
        client->present = false;
        client->label = std::filesystem::path(file).stem().string();
        if (ClientLabel::Key(client->label, &client->key, why)) return true;
        *why = file + " : le nom du client " + json(client->label).dump() + " " + *why + ".";
        return false;
    }
    std::string bytes, reason;
    if (!ResultFile::Read(file, kMaxBytes, &bytes, &reason)) {
        *why = "Impossible de lire " + file + " : " + reason;
        return false;
    }
    Shape shape;
    if (!json::sax_parse(bytes, &shape)) {
        *why = file + " n'est pas un résultat de dalvex2-cli : " + shape.fault + ".";
        return false;
    }
    const json j = json::parse(bytes);
    if (!j.is_object() || !TakeAll(j, client, &reason)) {
        *why = file + " n'est pas un résultat de dalvex2-cli" +
               (j.is_object() ? " : " + reason : std::string()) + ".";
        return false;
    }
    return true;
}
