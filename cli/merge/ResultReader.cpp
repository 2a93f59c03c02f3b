#include "cli/merge/ResultReader.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <vector>

#include "cli/result/ResultFile.h"
#include "engine/CDVXPrefs.h"
#include "engine/RunVerdict.h"
#include "platform/ResourceIds.h"
#include "report/TableText.h"
#include "report/result/ClientLabel.h"
#include "report/result/ShareSeries.h"

using json = nlohmann::json;

namespace {

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
        fault = TableText::Format(res::kMemberTwice, json(name).get<std::string>().c_str());
        return false;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        fault = TableText::Get(res::kNotJson);
        return false;
    }

private:
    bool Open() {
        if (m_levels.size() >= ResultReader::kMaxDepth) {
            fault = TableText::Format(res::kNestedTooDeep, ResultReader::kMaxDepth);
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
            if (v > ResultDocument::kMaxBytes || (*total += v) > ResultDocument::kMaxBytes)
                return false;
        }
        return true;
    };
    const auto within = [&](uint64_t ms) { return ms <= uint64_t{d.elapsedMs} + s.intervalMs; };
    const std::vector<ResultGap> none, &gaps = s.gaps ? *s.gaps : none;
    if (!within(s.stoppedMs.value_or(0)) ||
        !std::all_of(gaps.begin(), gaps.end(),
                     [&](const ResultGap& g) { return within(uint64_t{g.fromMs} + g.ms); })) {
        return false;
    }
    uint64_t w = 0, r = 0, all = 0;
    // Every test's bytes, when the result has them, bounded as any count.
    if (s.total && (s.total->size() != s.written.size() || !sum(*s.total, &all))) return false;
    return s.written.size() <= ShareSeries::kMaxPoints && s.read.size() == s.written.size() &&
           s.waiting.size() == s.written.size() &&
           s.written.size() <= d.elapsedMs / s.intervalMs + 2 && sum(s.written, &w) &&
           sum(s.read, &r) && w == d.shareBytesWritten && r == d.shareBytesRead;
}

// Why the figures could not come from a run, or empty.
std::string Impossible(const ResultDocument& d) {
    const uint64_t elapsed = d.elapsedMs, moved = d.bytesWritten + d.bytesRead;
    if (moved / ResultReader::kMaxBytesPerMs > elapsed + 1000) {
        return TableText::Format(res::kTooManyBytes, static_cast<unsigned long long>(moved),
                                 static_cast<unsigned long long>(elapsed));
    }
    if (d.shareBytesWritten > d.bytesWritten || d.shareBytesRead > d.bytesRead) {
        return TableText::Get(res::kMoreOnShare);
    }
    if (d.longestShareIdleMs > elapsed) return TableText::Get(res::kWaitLongerThanRun);
    // A run until stopped has no time to reach, unless a shorter limit
    // gave it one; a check of kept files ends once it read them all.
    if (!d.verified && d.settings.durationMinutes == CDVXPrefs::UntilStopped &&
        d.settings.stopAfterSeconds == 0 &&
        d.ending == RunVerdict::EndingName(RunVerdict::kTimeUp)) {
        return TableText::Get(res::kUntilStoppedOnTime);
    }
    if (d.crossCheck && (d.crossCheck->bytesRead > d.shareBytesRead ||
                         d.crossCheck->bytesWritten > d.shareBytesWritten)) {
        return TableText::Get(res::kMoreCrossChecked);
    }
    if (d.clockOffsetMs.has_value() != d.referenceStartedAtMs.has_value()) {
        return TableText::Get(res::kHalfReference);
    }
    return "";
}

// Reads `j` into `client->document`; the reason otherwise.
bool TakeAll(const json& j, ResultReader::Client* client, std::string* why) {
    ResultDocument& d = client->document;
    std::string bad;
    if (!ResultDocument::Read(j, &d, &bad)) {
        *why = TableText::Format(res::kBadMember, bad.c_str());
        return false;
    }
    const std::string impossible = Impossible(d);
    if (!impossible.empty()) {
        *why = TableText::Format(res::kResultGives, impossible.c_str());
        return false;
    }
    if (!SeriesAddsUp(d)) {
        *why = TableText::Format(res::kBadMember, "series");
        return false;
    }
    client->label = d.label;
    if (!ClientLabel::Key(client->label, &client->key, why)) {
        *why = TableText::Format(res::kBadLabel, json(d.label).dump().c_str(), why->c_str());
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
        *why = TableText::Format(res::kMissingBadLabel, file.c_str(),
                                 json(client->label).dump().c_str(), why->c_str());
        return false;
    }
    std::string bytes, reason;
    if (!ResultFile::Read(file, kMaxBytes, &bytes, &reason)) {
        *why = TableText::Format(res::kCannotRead, file.c_str(), reason.c_str());
        return false;
    }
    client->bytes = bytes.size();
    Shape shape;
    if (!json::sax_parse(bytes, &shape)) {
        *why = TableText::Format(res::kNotAResultBecause, file.c_str(), shape.fault.c_str());
        return false;
    }
    const json j = json::parse(bytes);
    if (!j.is_object() || !TakeAll(j, client, &reason)) {
        *why = j.is_object()
                   ? TableText::Format(res::kNotAResultBecause, file.c_str(), reason.c_str())
                   : TableText::Format(res::kNotAResult, file.c_str());
        return false;
    }
    return true;
}
