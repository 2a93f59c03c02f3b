#include "report/result/ResultDocument.h"

#include <algorithm>
#include <limits>
#include <type_traits>

#include "engine/CDVXPrefs.h"
#include "engine/CDVXProgressData.h"
#include "engine/RunVerdict.h"
#include "engine/SettingLimits.h"
#include "platform/ResourceIds.h"
#include "report/ReportText.h"
#include "report/TableText.h"
#include "report/result/ClientLabel.h"

using json = nlohmann::json;
using ordered = nlohmann::ordered_json;

namespace {

// Bounds that no real result reaches, so that sums and differences of them
// stay far inside 64 bits: the year 5138, a day.
constexpr uint64_t kMaxEpochMs = 100000000000000;
constexpr int64_t kMaxOffsetMs = 86400000;

// The checks a member's value passes once read as its type.
bool Any(const auto&) { return true; }
bool Text(const std::string& v) { return ClientLabel::Shows(v); }
bool Texts(const std::vector<std::string>& v) { return std::all_of(v.begin(), v.end(), Text); }
bool SomeText(const std::string& v) { return Text(v) && !v.empty(); }
bool MaybeText(const std::optional<std::string>& v) { return !v || Text(*v); }
bool Moment(uint64_t v) { return v <= kMaxEpochMs; }
bool MaybeMoment(const std::optional<int64_t>& v) {
    return !v || (*v >= 0 && static_cast<uint64_t>(*v) <= kMaxEpochMs);
}
bool Offset(const std::optional<int64_t>& v) {
    return !v || (*v >= -kMaxOffsetMs && *v <= kMaxOffsetMs);
}
bool Bytes(uint64_t v) { return v <= ResultDocument::kMaxBytes; }
bool Within(uint32_t v, const SettingLimit& limit) {
    return v >= limit.minimum && v <= limit.maximum;
}
bool EndingName(const std::string& v) {
    return RunVerdict::EndingOf(v) != RunVerdict::kFailure ||
           v == RunVerdict::EndingName(RunVerdict::kFailure);
}
bool ResultName(const std::string& v) {
    for (auto r : {RunVerdict::kOk, RunVerdict::kFailed, RunVerdict::kInterrupted}) {
        if (v == RunVerdict::ResultName(r)) return true;
    }
    return false;
}
bool CategoryName(const std::optional<std::string>& v) {
    for (auto c : {ReportText::kDiskFull, ReportText::kIoError, ReportText::kDataDiffer,
                   ReportText::kTruncated, ReportText::kInternal}) {
        if (v == ReportText::CategoryName(c)) return true;
    }
    return !v;
}

// Each type's members, in the file's order, each with the check its value
// passes when read: the one place their names are written. `visit` is
// called as visit(name, member, check).
template <typename S, typename V>
requires std::is_same_v<std::remove_const_t<S>, ResultDocument::Settings>
void Members(S& s, V&& visit) {
    visit("diskSpaceMb", s.diskSpaceMb,
          [](uint32_t v) { return Within(v, SettingLimits::kDiskSpaceMb); });
    visit("simultaneousTests", s.simultaneousTests,
          [](uint32_t v) { return Within(v, SettingLimits::kSimultaneousTests); });
    visit("durationMinutes", s.durationMinutes, [](uint32_t v) {
        return v == CDVXPrefs::UntilStopped || Within(v, SettingLimits::kDurationMinutes);
    });
    visit("threadPriority", s.threadPriority, Any<std::optional<int32_t>>);
    visit("stopAfterSeconds", s.stopAfterSeconds, Any<uint32_t>);
    visit("stallSeconds", s.stallSeconds,
          [](uint32_t v) { return Within(v, SettingLimits::kStallSeconds); });
    visit("modifyTests", s.modifyTests, Any<std::optional<bool>>);
}

template <typename S, typename V>
requires std::is_same_v<std::remove_const_t<S>, ResultDocument::CrossCheck>
void Members(S& c, V&& visit) {
    visit("directory", c.directory, Text);
    visit("partner", c.partner, MaybeText);
    visit("bytesRead", c.bytesRead, Bytes);
    visit("bytesWritten", c.bytesWritten, Bytes);
}

template <typename S, typename V>
requires std::is_same_v<std::remove_const_t<S>, ResultDocument::Kept>
void Members(S& k, V&& visit) {
    visit("list", k.list, Text);
    visit("label", k.label, Text);
    visit("startedAt", k.startedAt, Text);
    visit("files", k.files, Texts);
    visit("deleted", k.deleted, Any<bool>);
}

template <typename S, typename V>
requires std::is_same_v<std::remove_const_t<S>, ResultGap>
void Members(S& g, V&& visit) {
    visit("fromMs", g.fromMs, Any<uint32_t>);
    visit("ms", g.ms, Any<uint32_t>);
}

template <typename S, typename V>
requires std::is_same_v<std::remove_const_t<S>, ResultDocument::Series>
void Members(S& s, V&& visit) {
    visit("intervalMs", s.intervalMs, [](uint32_t v) { return v >= 1000; });
    visit("written", s.written, Any<std::vector<uint64_t>>);
    visit("read", s.read, Any<std::vector<uint64_t>>);
    visit("waiting", s.waiting, Any<std::vector<uint32_t>>);
    visit("gaps", s.gaps, Any<std::optional<std::vector<ResultGap>>>);
    visit("stoppedMs", s.stoppedMs, Any<std::optional<uint32_t>>);
    visit("total", s.total, Any<std::optional<std::vector<uint64_t>>>);
}

template <typename S, typename V>
requires std::is_same_v<std::remove_const_t<S>, ResultDamage>
void Members(S& d, V&& visit) {
    visit("kind", d.kind, SomeText);
    visit("text", d.text, Text);
}

template <typename S, typename V>
requires std::is_same_v<std::remove_const_t<S>, ResultDocument::Failure>
void Members(S& f, V&& visit) {
    visit("test", f.test, MaybeText);
    visit("directory", f.directory, MaybeText);
    visit("category", f.category, CategoryName);
    visit("errorKind", f.errorKind, Any<std::optional<int32_t>>);
    visit("operation", f.operation, MaybeText);
    visit("winerr", f.winerr, Any<std::optional<uint32_t>>);
    visit("errno", f.errnoValue, Any<std::optional<int32_t>>);
    visit("errnoName", f.errnoName, MaybeText);
    visit("message", f.message, MaybeText);
    visit("position", f.position, Any<std::optional<int64_t>>);
    visit("file", f.file, MaybeText);
    visit("stalledSeconds", f.stalledSeconds, Any<std::optional<uint32_t>>);
    visit("expected", f.expected, MaybeText);
    visit("read", f.read, MaybeText);
    visit("damage", f.damage, Any<std::optional<ResultDamage>>);
    visit("localTime", f.localTime, MaybeText);
    visit("testTime", f.testTime, MaybeText);
    visit("testTimeMs", f.testTimeMs, Any<std::optional<uint32_t>>);
    visit("report", f.report, [](const std::optional<std::vector<std::string>>& lines) {
        return !lines || Texts(*lines);
    });
}

template <typename S, typename V>
requires std::is_same_v<std::remove_const_t<S>, ResultDocument>
void Members(S& d, V&& visit) {
    visit("directory", d.directory, Text);
    visit("tempDirectory", d.tempDirectory, Text);
    visit("networkPath", d.networkPath, Any<bool>);
    visit("fileSystem", d.fileSystem, Text);
    visit("mountSource", d.mountSource, Text);
    visit("cachesWrites", d.cachesWrites, Any<bool>);
    visit("serverProven", d.serverProven, Any<bool>);
    visit("crossCheck", d.crossCheck, Any<std::optional<ResultDocument::CrossCheck>>);
    visit("host", d.host, Text);
    // Its own checks come later, with their own reasons (ClientLabel).
    visit("label", d.label, Any<std::string>);
    visit("version", d.version, SomeText);
    visit("startedAt", d.startedAt, SomeText);
    visit("startedAtMs", d.startedAtMs, Moment);
    visit("startAtMs", d.startAtMs, MaybeMoment);
    visit("clockOffsetMs", d.clockOffsetMs, Offset);
    visit("referenceStartedAtMs", d.referenceStartedAtMs, MaybeMoment);
    visit("settings", d.settings, Any<ResultDocument::Settings>);
    visit("elapsedMs", d.elapsedMs, Any<uint32_t>);
    visit("bytesWritten", d.bytesWritten, Bytes);
    visit("bytesRead", d.bytesRead, Bytes);
    visit("throughput", d.throughput, Bytes);
    visit("shareBytesWritten", d.shareBytesWritten, Bytes);
    visit("shareBytesRead", d.shareBytesRead, Bytes);
    visit("shareThroughput", d.shareThroughput, Bytes);
    visit("longestShareIdleMs", d.longestShareIdleMs, Any<uint32_t>);
    visit("series", d.series, Any<ResultDocument::Series>);
    visit("ending", d.ending, EndingName);
    visit("result", d.result, ResultName);
    visit("sentence", d.sentence, MaybeText);
    visit("failures", d.failures, Any<std::vector<ResultDocument::Failure>>);
    visit("leftFiles", d.leftFiles, Texts);
    visit("kept", d.kept, Any<std::optional<ResultDocument::Kept>>);
    visit("verified", d.verified, Any<std::optional<ResultDocument::Kept>>);
}

template <typename S>
concept HasMembers = requires(S& s) {
    Members(s, [](const char*, auto&, auto) {});
};

// Writing: every member, null for an optional one without a value.
template <typename T>
ordered Value(const T& v);
template <typename T>
ordered Value(const std::optional<T>& v);
template <typename T>
ordered Value(const std::vector<T>& v);

template <typename T>
ordered Value(const T& v) {
    if constexpr (HasMembers<const T>) {
        ordered j = ordered::object();
        Members(v, [&j](const char* name, const auto& member, auto) { j[name] = Value(member); });
        return j;
    } else {
        return ordered(v);
    }
}
template <typename T>
ordered Value(const std::optional<T>& v) {
    return v ? Value(*v) : ordered();
}
template <typename T>
ordered Value(const std::vector<T>& v) {
    ordered list = ordered::array();
    for (const T& item : v) list.push_back(Value(item));
    return list;
}

// Reading: each value as its type, or false.
template <typename T>
requires std::is_integral_v<T>
bool Get(const json& v, T* out);
template <typename T>
bool Get(const json& v, std::optional<T>* out);
template <typename T>
bool Get(const json& v, std::vector<T>* out);
template <typename T>
requires HasMembers<T>
bool Get(const json& v, T* out, std::string* badMember = nullptr);

bool Get(const json& v, bool* out) {
    if (!v.is_boolean()) return false;
    *out = v.get<bool>();
    return true;
}
bool Get(const json& v, std::string* out) {
    if (!v.is_string()) return false;
    *out = v.get<std::string>();
    return true;
}
template <typename T>
requires std::is_integral_v<T>
bool Get(const json& v, T* out) {
    // Unsigned members are written as unsigned numbers, signed ones may be either.
    if (v.is_number_unsigned()) {
        const uint64_t u = v.get<uint64_t>();
        if (u > static_cast<uint64_t>(std::numeric_limits<T>::max())) return false;
        *out = static_cast<T>(u);
        return true;
    }
    if (!std::is_signed_v<T> || !v.is_number_integer()) return false;
    const int64_t i = v.get<int64_t>();
    if (i < static_cast<int64_t>(std::numeric_limits<T>::min()) ||
        i > static_cast<int64_t>(std::numeric_limits<T>::max())) {
        return false;
    }
    *out = static_cast<T>(i);
    return true;
}
template <typename T>
bool Get(const json& v, std::optional<T>* out) {
    if (v.is_null()) {
        out->reset();
        return true;
    }
    return Get(v, &out->emplace());
}
template <typename T>
bool Get(const json& v, std::vector<T>* out) {
    // More than a run's course has points, or than it has tests and files.
    if (!v.is_array() || v.size() > ResultDocument::kMostItems) return false;
    out->assign(v.size(), T());
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (!Get(v[i], &(*out)[i])) return false;
    }
    return true;
}
// An object's members; those it does not know are left out. A member that
// may be null may be left out too.
template <typename T>
requires HasMembers<T>
bool Get(const json& v, T* out, std::string* badMember) {
    if (!v.is_object()) return false;
    bool ok = true;
    Members(*out, [&](const char* name, auto& member, auto check) {
        if (!ok) return;
        const auto it = v.find(name);
        ok = Get(it != v.end() ? *it : json(), &member) && check(member);
        if (!ok && badMember) *badMember = name;
    });
    return ok;
}

}  // namespace

void to_json(ordered& j, const ResultDocument& d) { j = Value(d); }
void to_json(ordered& j, const ResultDocument::Failure& f) { j = Value(f); }
void to_json(ordered& j, const ResultDocument::Settings& s) { j = Value(s); }

std::string ResultDocument::StoppedEarlyNote() const {
    if (!RunVerdict::StoppedEarly(RunVerdict::EndingOf(ending), settings.durationMinutes))
        return {};
    return TableText::Format(res::kStoppedEarlyNote,
                             CDVXProgressData::FormatDuration(elapsedMs).ToUtf8().c_str(),
                             settings.durationMinutes);
}

std::string ResultDocument::Dump() const {
    return ordered(*this).dump(2, ' ', false, ordered::error_handler_t::replace) + "\n";
}

bool ResultDocument::Read(const json& j, ResultDocument* d, std::string* badMember) {
    return Get(j, d, badMember);
}
