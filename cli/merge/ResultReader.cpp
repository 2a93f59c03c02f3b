#include "cli/merge/ResultReader.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <vector>

#include "cli/result/ClientLabel.h"
#include "cli/result/ResultFile.h"
#include "cli/result/ShareSeries.h"

using json = nlohmann::json;

namespace {

// The most bytes a result may give (ResultDocument reads no more).
constexpr uint64_t kMostBytes = 1000000000000000000;

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

// The share's course adds up to the share's totals, one point a period at most.
bool SeriesAddsUp(const ResultDocument& d) {
    const ResultDocument::Series& s = d.series;
    const auto sum = [](const std::vector<uint64_t>& list, uint64_t* total) {
        *total = 0;
        for (uint64_t v : list) {
            if (v > kMostBytes || (*total += v) > kMostBytes) return false;
        }
        return true;
    };
    uint64_t w = 0, r = 0;
    return s.written.size() <= ShareSeries::kMaxPoints && s.read.size() == s.written.size() &&
           s.waiting.size() == s.written.size() &&
           s.written.size() <= d.elapsedMs / s.intervalMs + 2 && sum(s.written, &w) &&
           sum(s.read, &r) && w == d.shareBytesWritten && r == d.shareBytesRead;
}

// Why the figures could not come from a run, or empty.
std::string Impossible(const ResultDocument& d) {
    const uint64_t elapsed = d.elapsedMs, moved = d.bytesWritten + d.bytesRead;
    if (moved / ResultReader::kMaxBytesPerMs > elapsed + 1000) {
        return "plus d'octets (" + std::to_string(moved) + ") que " + std::to_string(elapsed) +
               " ms n'en permettent";
    }
    if (d.shareBytesWritten > d.bytesWritten || d.shareBytesRead > d.bytesRead) {
        return "plus d'octets sur le partage qu'en tout";
    }
    if (d.longestShareIdleMs > elapsed) return "une attente plus longue que le test";
    if (d.crossCheck && (d.crossCheck->bytesRead > d.shareBytesRead ||
                         d.crossCheck->bytesWritten > d.shareBytesWritten)) {
        return "plus d'octets au contrôle croisé que sur le partage";
    }
    if (d.clockOffsetMs.has_value() != d.referenceStartedAtMs.has_value()) {
        return "une heure de départ de référence sans écart d'horloge, ou l'inverse";
    }
    return "";
}

// Reads `j` into `client->document`; the reason otherwise.
bool TakeAll(const json& j, ResultReader::Client* client, std::string* why) {
    ResultDocument& d = client->document;
    std::string bad;
    if (!ResultDocument::Read(j, &d, &bad)) {
        *why = "le membre « " + bad + " » est absent ou incorrect";
        return false;
    }
    const std::string impossible = Impossible(d);
    if (!impossible.empty()) {
        *why = "il donne " + impossible;
        return false;
    }
    if (!SeriesAddsUp(d)) {
        *why = "le membre « series » est absent ou incorrect";
        return false;
    }
    client->label = d.label;
    if (!ClientLabel::Key(client->label, &client->key, why)) {
        *why = "le nom du client " + json(d.label).dump() + " " + *why;
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
