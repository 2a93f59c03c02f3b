#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

// The parts of a result (ResultDocument), complete before it holds them in
// an optional or a list.
struct ResultSettings {
    uint32_t diskSpaceMb = 0;
    uint32_t simultaneousTests = 0;
    uint32_t durationMinutes = 0;
    std::optional<int32_t> threadPriority;
    uint32_t stopAfterSeconds = 0;
    uint32_t stallSeconds = 0;
    // The tests that change files ran too; unknown in older results.
    std::optional<bool> modifyTests;
};

// The cross-check with another client: its directory as seen from here,
// its name once it gave it, the bytes of its files read here, and those
// written here for a client to read.
struct ResultCrossCheck {
    std::string directory;
    std::optional<std::string> partner;
    uint64_t bytesRead = 0;
    uint64_t bytesWritten = 0;
};

// A stretch of a run in which the engine did not look at the share.
struct ResultGap {
    uint32_t fromMs = 0;
    uint32_t ms = 0;
};

// What the share carried, one entry a point in each list, the stretches
// nobody saw, when the tests were asked to stop, and what every test moved,
// the temporary directory's included, one entry a point (ShareSeries); older
// results lack the last three.
struct ResultSeries {
    uint32_t intervalMs = 1000;
    std::vector<uint64_t> written;
    std::vector<uint64_t> read;
    std::vector<uint32_t> waiting;
    std::optional<std::vector<ResultGap>> gaps;
    std::optional<uint32_t> stoppedMs;
    std::optional<std::vector<uint64_t>> total;
};

// What came back instead of the data written, for data that differ or a
// file cut short: the kind (ReportText::DamageName) and its words.
struct ResultDamage {
    std::string kind;
    std::string text;
};

// Files kept for a later check: by this run (--keep), or by the run whose
// files this one checked (verify).
struct ResultKept {
    std::string list;       // the list of them, as the command line named it
    std::string label;      // the client whose run kept them
    std::string startedAt;  // when that run started
    std::vector<std::string> files;
    bool deleted = false;  // verify --delete removed them, all found whole
};

// One failed test as its report says it; a result of another hand may
// leave any of it out.
struct ResultFailure {
    std::optional<std::string> test;
    std::optional<std::string> directory;
    std::optional<std::string> category;  // ReportText::CategoryName
    std::optional<int32_t> errorKind;
    std::optional<std::string> operation;
    std::optional<uint32_t> winerr;
    std::optional<int32_t> errnoValue;  // "errno"
    std::optional<std::string> errnoName;
    std::optional<std::string> message;
    std::optional<int64_t> position;
    std::optional<std::string> file;  // of a call that got no answer
    std::optional<uint32_t> stalledSeconds;
    std::optional<std::string> expected;
    std::optional<std::string> read;
    std::optional<ResultDamage> damage;
    std::optional<std::string> localTime;
    std::optional<std::string> testTime;
    std::optional<uint32_t> testTimeMs;
    // The report a person reads, a paragraph a line; older results lack it.
    std::optional<std::vector<std::string>> report;
};

// The result of one run as its JSON file holds it, texts in UTF-8: the one
// definition of that file, which the run writes (JsonResult), merge reads
// (ResultReader) and every member name comes from. A member that may be null
// is optional. Any thread.
struct ResultDocument {
    // The most bytes a count may give: more than any run moves, so that sums
    // of them stay far inside 64 bits.
    static constexpr uint64_t kMaxBytes = 1000000000000000000;
    // The most items of a list: a run's course keeps fewer points
    // (ShareSeries::kMaxPoints), its tests and files fewer still.
    static constexpr std::size_t kMostItems = 4096;

    using Settings = ResultSettings;
    using CrossCheck = ResultCrossCheck;
    using Series = ResultSeries;
    using Failure = ResultFailure;
    using Kept = ResultKept;

    std::string directory;
    std::string tempDirectory;
    bool networkPath = false;
    std::string fileSystem;
    std::string mountSource;
    bool cachesWrites = false;
    bool serverProven = false;
    std::optional<CrossCheck> crossCheck;
    std::string host;
    std::string label;  // the client's name among several
    std::string version;
    std::string startedAt;  // ISO 8601, local time with its offset
    uint64_t startedAtMs = 0;
    std::optional<int64_t> startAtMs;  // the start asked for, ms since 1970
    // This machine's clock minus the one the start was asked on, and the
    // start read on that clock; both unknown unless the offset was given.
    std::optional<int64_t> clockOffsetMs;
    std::optional<int64_t> referenceStartedAtMs;
    Settings settings;
    uint32_t elapsedMs = 0;
    // Every test's bytes, then those of the tests in the share alone (the
    // temporary directory's apart); throughputs in bytes a second.
    uint64_t bytesWritten = 0, bytesRead = 0, throughput = 0;
    uint64_t shareBytesWritten = 0, shareBytesRead = 0, shareThroughput = 0;
    uint32_t longestShareIdleMs = 0;  // the longest the share moved no byte
    Series series;
    std::string ending;  // RunVerdict::EndingName
    std::string result;  // RunVerdict::ResultName
    // The verdict's line for people (RunVerdict::Sentence); older results
    // lack it.
    std::optional<std::string> sentence;
    std::vector<Failure> failures;
    // Files of the run still in the share or the temporary directory.
    std::vector<std::string> leftFiles;
    // The files this run kept for a later check, or those it checked.
    std::optional<Kept> kept;
    std::optional<Kept> verified;

    // The line under the verdict of a run stopped before its minutes, which
    // its "ok" covers only in part (UTF-8); empty for any other run.
    std::string StoppedEarlyNote() const;
    // The file's text, two spaces an indent, ending in a line feed.
    std::string Dump() const;
    // Reads a parsed file, every member checked: of its kind, within the
    // bounds no real run reaches, every text printable (members it does not
    // know are left out). False with the name of the first member that is
    // missing or wrong in `badMember`.
    static bool Read(const nlohmann::json& j, ResultDocument* d, std::string* badMember);
};

void to_json(nlohmann::ordered_json& j, const ResultDocument& d);
void to_json(nlohmann::ordered_json& j, const ResultDocument::Failure& f);
void to_json(nlohmann::ordered_json& j, const ResultDocument::Settings& s);
