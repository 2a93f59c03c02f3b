#include "cli/merge/ResultMerge.h"

#include <algorithm>
#include <span>

#include "cli/merge/ResultReader.h"
#include "cli/result/ResultFile.h"
#include "engine/CDVXPrefs.h"
#include "engine/CDVXProgressData.h"
#include "engine/CDVXTimings.h"
#include "engine/RunVerdict.h"
#include "engine/SettingLimits.h"
#include "platform/ResourceIds.h"
#include "platform/WholeFile.h"
#include "report/ProgressText.h"
#include "report/TableText.h"
#include "report/result/ClientLabel.h"
#include "report/result/HtmlReport.h"
#include "report/result/ShareSeries.h"

using ordered = nlohmann::ordered_json;

namespace {

// How far apart clients may start, and by how much their common time may
// fall short of the time asked, for them to count as testing together.
constexpr int64_t kTogetherMs = 1000;

struct Client {
    ResultReader::Client read;
    RunVerdict::Result result = RunVerdict::kOk;
    std::vector<std::string> reasons;  // why it is not "ok", in French
    std::vector<std::string> notes;    // what else its result shows, in French
    int64_t startMs = 0;               // on the common clock, when measured

    const ResultDocument& Doc() const { return read.document; }
    int64_t EndMs() const { return startMs + Doc().elapsedMs; }
    void Fault(RunVerdict::Result worse, std::string why) {
        if (Severity(worse) > Severity(result)) result = worse;
        reasons.push_back(std::move(why));
    }
    static int Severity(RunVerdict::Result r) {
        return r == RunVerdict::kFailed ? 2 : r == RunVerdict::kInterrupted ? 1 : 0;
    }
};

// Whether `label` names `c`, as labels that read as one do.
bool SameClient(const std::string& label, const Client& c) {
    std::string key, why;
    return ClientLabel::Key(label, &key, &why) && key == c.read.key;
}

std::string Seconds(uint64_t ms) {
    return CDVXProgressData::FormatDuration(
               static_cast<uint32_t>(std::min<uint64_t>(ms, UINT32_MAX)))
        .ToUtf8();
}

// A run until stopped has no time of its own: only a stop ends it as asked.
bool UntilStopped(const ResultDocument::Settings& settings) {
    return settings.durationMinutes == CDVXPrefs::UntilStopped && settings.stopAfterSeconds == 0;
}

// How long the run was asked to last: its minutes, or --stop-after if sooner;
// for a run until stopped, the shortest time a run may be asked to last.
uint64_t PlannedMs(const ResultDocument::Settings& settings) {
    const uint64_t minutes = UntilStopped(settings) ? SettingLimits::kDurationMinutes.minimum
                                                    : settings.durationMinutes,
                   stopAfter = settings.stopAfterSeconds;
    if (stopAfter > 0) return std::min(stopAfter * 1000, minutes * CDVXTimings::kMinuteMs);
    return minutes * CDVXTimings::kMinuteMs;
}

// The settings every client must share; the priority of its threads is its own.
bool SameSettings(const ResultDocument::Settings& a, const ResultDocument::Settings& b) {
    return std::tuple(a.diskSpaceMb, a.simultaneousTests, a.durationMinutes, a.stopAfterSeconds,
                      a.stallSeconds, a.modifyTests.value_or(false)) ==
           std::tuple(b.diskSpaceMb, b.simultaneousTests, b.durationMinutes, b.stopAfterSeconds,
                      b.stallSeconds, b.modifyTests.value_or(false));
}

// Why `c` cannot be merged with the clients read before it, or empty.
std::string Mismatch(const Client& c, const std::vector<Client>& earlier,
                     const ResultMerge::Options& options) {
    for (const Client& e : earlier) {
        if (e.read.key == c.read.key) {
            return TableText::Format(res::kSameClient, c.read.file.c_str(),
                                     ordered(c.read.label).dump().c_str(),
                                     ordered(e.read.label).dump().c_str(), e.read.file.c_str());
        }
    }
    const auto first = std::find_if(earlier.begin(), earlier.end(),
                                    [](const Client& e) { return e.read.present; });
    if (!c.read.present || first == earlier.end()) return "";
    const ResultDocument &a = first->Doc(), &b = c.Doc();
    const auto moment = [](const std::optional<int64_t>& ms) {
        return ms ? std::to_string(*ms) : TableText::Get(res::kNoStartAsked);
    };
    if (a.startAtMs != b.startAtMs) {
        return TableText::Format(res::kOtherStart, c.read.file.c_str(), first->read.file.c_str(),
                                 moment(b.startAtMs).c_str(), moment(a.startAtMs).c_str());
    }
    if (!SameSettings(a.settings, b.settings)) {
        return TableText::Format(res::kOtherSettings, c.read.file.c_str(),
                                 ordered(b.settings).dump().c_str(), first->read.file.c_str(),
                                 ordered(a.settings).dump().c_str());
    }
    if (!options.allowMixed && a.version != b.version) {
        return TableText::Format(res::kOtherVersion, c.read.file.c_str(), b.version.c_str(),
                                 first->read.file.c_str(), a.version.c_str());
    }
    return "";
}

// Whether `c` ran when asked, with its clock measured among several, and
// never found the share silent past its stall limit.
void JudgeTime(Client& c, bool fleet) {
    const ResultDocument& j = c.Doc();
    const bool measured = j.clockOffsetMs.has_value();
    c.startMs = measured ? j.referenceStartedAtMs.value_or(0) : static_cast<int64_t>(j.startedAtMs);
    if (fleet && !measured) {
        c.Fault(RunVerdict::kInterrupted, TableText::Get(res::kClockNotCompared));
    }
    if (j.startAtMs) {
        const int64_t late = c.startMs - *j.startAtMs;
        if (late > kTogetherMs || late < -kTogetherMs) {
            c.Fault(RunVerdict::kInterrupted,
                    TableText::Format(late > 0 ? res::kStartedLate : res::kStartedEarly,
                                      static_cast<long long>(late > 0 ? late : -late)));
        }
    }
    // The run's own figure, or what its course shows if that is longer: a
    // result is not taken at its word. A stretch nobody looked at is not
    // silence, and is said apart.
    const uint64_t idle = std::max(j.longestShareIdleMs, ShareSeries::SilentMs(j.series)),
                   limit = uint64_t{j.settings.stallSeconds} * 1000,
                   unseen = ShareSeries::LongestGapMs(j.series);
    if (idle > limit) {
        c.Fault(RunVerdict::kFailed, TableText::Format(res::kShareSilent, Seconds(idle).c_str(),
                                                       Seconds(limit).c_str()));
    }
    if (unseen > limit)
        c.notes.push_back(TableText::Format(res::kNotObserved, Seconds(unseen).c_str()));
}

// The client's result read again from what it says it did, by a run's own
// rules, so that no file can claim more than its figures show.
void Judge(Client& c, bool fleet, const ResultMerge::Options& options) {
    if (!c.read.present) {
        c.Fault(RunVerdict::kFailed, TableText::Format(res::kNoResult, c.read.file.c_str()));
        return;
    }
    const ResultDocument& j = c.Doc();
    const bool failed = j.result == RunVerdict::ResultName(RunVerdict::kFailed) ||
                        j.ending == RunVerdict::EndingName(RunVerdict::kFailure) ||
                        !j.failures.empty();
    const RunVerdict verdict(RunVerdict::EndingOf(j.ending), failed, j.bytesWritten, j.bytesRead);
    c.result = verdict.result;
    if (c.result == RunVerdict::kOk && j.result != RunVerdict::ResultName(RunVerdict::kOk)) {
        c.Fault(RunVerdict::kInterrupted, TableText::Get(res::kClientNotOk));
    }
    const RunVerdict::Ending due =
        UntilStopped(j.settings) ? RunVerdict::kStopped : RunVerdict::kTimeUp;
    if (c.result == RunVerdict::kOk && verdict.ending != due) {
        c.Fault(RunVerdict::kInterrupted, TableText::Get(res::kNotToItsTime));
    }
    // The cross-check reads the other client's files, not its own; the tests
    // that change files write some bytes twice and read some twice, so that
    // their counts never match, and the run's own verdict holds for them.
    const uint64_t crossRead = j.crossCheck ? j.crossCheck->bytesRead : 0,
                   crossWritten = j.crossCheck ? j.crossCheck->bytesWritten : 0;
    if (!j.settings.modifyTests.value_or(false) &&
        j.bytesRead - crossRead != j.bytesWritten - crossWritten)
        c.Fault(RunVerdict::kInterrupted, TableText::Get(res::kNotAllReadBack));
    if (j.elapsedMs < PlannedMs(j.settings)) {
        c.Fault(RunVerdict::kInterrupted,
                TableText::Format(res::kTestedLess, Seconds(j.elapsedMs).c_str(),
                                  Seconds(PlannedMs(j.settings)).c_str()));
    }
    if (!j.serverProven) {
        c.Fault(RunVerdict::kInterrupted,
                TableText::Format(res::kClientCaches, j.fileSystem.c_str()));
    }
    if (!j.networkPath && !options.allowLocal &&
        std::none_of(options.localClients.begin(), options.localClients.end(),
                     [&](const std::string& label) { return SameClient(label, c); })) {
        c.Fault(RunVerdict::kInterrupted, TableText::Get(res::kNotOnNetwork));
    }
    JudgeTime(c, fleet);
}

// What the share carried for `c` between `from` and `to` on the common
// clock, each point of its course counted for the part of it inside.
uint64_t BytesBetween(const Client& c, int64_t from, int64_t to) {
    const ResultDocument::Series& series = c.Doc().series;
    const int64_t interval = series.intervalMs;
    uint64_t total = 0;
    for (std::size_t i = 0; i < series.written.size(); ++i) {
        const int64_t begin = c.startMs + static_cast<int64_t>(i) * interval;
        const int64_t inside = std::min(to, begin + interval) - std::max(from, begin);
        if (inside <= 0) continue;
        const uint64_t bytes = series.written[i] + series.read[i];
        total += static_cast<uint64_t>(static_cast<long double>(bytes) * inside / interval);
    }
    return total;
}

std::string Bytes(uint64_t count) { return ProgressText::Bytes(count).ToUtf8(); }

std::string Line(const Client& c) {
    const char* result = RunVerdict::ResultName(c.result);
    std::string line;
    if (c.read.present) {
        const ResultDocument& j = c.Doc();
        line = TableText::Format(
            res::kClientFullLine, c.read.label.c_str(), result, j.ending.c_str(),
            Bytes(j.bytesWritten).c_str(), Bytes(j.bytesRead).c_str(),
            ProgressText::Throughput(j.shareThroughput).ToUtf8().c_str(), j.failures.size());
    } else {
        line = TableText::Format(res::kClientLine, c.read.label.c_str(), result);
    }
    for (const std::string& why : c.reasons) line += " | " + why;
    for (const std::string& note : c.notes) line += " | " + note;
    return line + "\n";
}

// The client's entry in the merged document: its verdict here and why,
// then what its result says of its run.
ordered Entry(const Client& c) {
    ordered entry = {{"label", c.read.label},
                     {"file", c.read.file},
                     {"result", RunVerdict::ResultName(c.result)},
                     {"reasons", c.reasons},
                     {"notes", c.notes}};
    if (!c.read.present) return entry;
    const ordered document = c.Doc();
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
        entry[name] = document[name];
    }
    entry["failures"] = c.Doc().failures.size();
    return entry;
}

// Adds a file of `bytes` to what was read; false past kMaxInput.
bool WithinInput(const std::string& file, std::size_t bytes, uint64_t* input, std::string* why) {
    *input += bytes;
    if (*input <= ResultMerge::kMaxInput) return true;
    *why = TableText::Format(res::kTooMuchInput, file.c_str(),
                             static_cast<unsigned long long>(ResultMerge::kMaxInput));
    return false;
}

// Whether the merge would write its result over `file`, one it reads; said
// on `err`.
bool WouldReplace(const std::string& file, const ResultMerge::Options& options, std::FILE* err) {
    for (const std::string& output : {options.jsonPath, options.htmlPath}) {
        if (!output.empty() && output != "-" && platform::WholeFile::SameFile(file, output)) {
            std::fputs(TableText::Format(res::kMergeWouldReplace, file.c_str()).c_str(), err);
            return true;
        }
    }
    return false;
}

// Reads every file, or says on `err` why they cannot be merged: each file
// counts towards the bound of the input as it is read.
bool ReadAll(const std::vector<std::string>& files, const ResultMerge::Options& options,
             std::vector<Client>* clients, uint64_t* input, std::FILE* err) {
    std::string why;
    for (const std::string& file : files) {
        Client client;
        if (WouldReplace(file, options, err)) return false;
        if (!ResultReader::Read(file, options.missingAsFailed, &client.read, &why) ||
            !WithinInput(file, client.read.bytes, input, &why)) {
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

// The client whose files `reader` read, by the name their announcements
// gave; null when that is no other client of the fleet.
Client* WriterFor(std::vector<Client>& clients, const Client& reader) {
    const std::optional<std::string>& partner = reader.Doc().crossCheck->partner;
    std::string key, why;
    if (!partner || !ClientLabel::Key(*partner, &key, &why)) return nullptr;
    Client* writer = nullptr;
    for (Client& w : clients) {
        if (w.read.key == key && &w != &reader) writer = &w;
    }
    return writer;
}

// What is wrong with the pair, in the reader's words; empty when nothing.
std::string PairProblem(const Client& reader, const Client* writer) {
    const std::string readTest = TableText::Get(res::kCrossReadTestName);
    const auto& failures = reader.Doc().failures;
    const ResultDocument::CrossCheck& cross = *reader.Doc().crossCheck;
    if (std::any_of(failures.begin(), failures.end(),
                    [&](const ResultDocument::Failure& f) { return f.test == readTest; })) {
        return TableText::Get(res::kCrossFilesDiffer);
    }
    if (!writer) {
        return TableText::Get(!cross.partner ? res::kCrossNothingReceived : res::kCrossOutsider);
    }
    return cross.bytesRead == 0 ? TableText::Get(res::kCrossNothingRead) : std::string();
}

// The cross-checks: who read whose files, and how it went. A reader that
// failed its side, read nothing, or names no client of the fleet fails the
// pair; a client whose files nobody read has proved nothing to anyone.
ordered CrossChecks(std::vector<Client>& clients, std::string* text) {
    ordered pairs = ordered::array();
    std::vector<std::string> readers(clients.size());  // whose files were read, by whom
    for (Client& reader : clients) {
        if (!reader.read.present || !reader.Doc().crossCheck) continue;
        const ResultDocument::CrossCheck& cross = *reader.Doc().crossCheck;
        Client* writer = WriterFor(clients, reader);
        const std::string problem = PairProblem(reader, writer);
        const std::string from = writer ? writer->read.label : cross.partner.value_or("?");
        if (writer) readers[writer - clients.data()] = reader.read.label;
        const std::string pair = from + " → " + reader.read.label;
        *text += TableText::Format(res::kCrossCheckLine, pair.c_str(),
                                   problem.empty() ? "ok" : problem.c_str(),
                                   Bytes(cross.bytesRead).c_str());
        if (!problem.empty()) {
            reader.Fault(RunVerdict::kFailed,
                         TableText::Format(res::kCrossCheckFault, pair.c_str(), problem.c_str()));
        }
        pairs.push_back({{"writer", writer ? ordered(writer->read.label) : ordered()},
                         {"reader", reader.read.label},
                         {"result", problem.empty() ? "ok" : "failed"},
                         {"bytesRead", cross.bytesRead}});
    }
    for (std::size_t i = 0; i < clients.size(); ++i) {
        Client& c = clients[i];
        if (c.read.present && c.Doc().crossCheck && readers[i].empty()) {
            c.Fault(RunVerdict::kFailed, TableText::Get(res::kCrossNobodyRead));
        }
    }
    return pairs;
}

// The results of verify: each a client's check of the files another kept.
bool ReadChecks(const ResultMerge::Options& options, std::vector<ResultReader::Client>* checks,
                uint64_t* input, std::FILE* err) {
    std::string why;
    for (const std::string& file : options.keptChecks) {
        ResultReader::Client check;
        if (WouldReplace(file, options, err)) return false;
        if (!ResultReader::Read(file, options.missingAsFailed, &check, &why) ||
            !WithinInput(file, check.bytes, input, &why)) {
            std::fprintf(err, "%s\n", why.c_str());
            return false;
        }
        if (!check.present) continue;
        if (!check.document.verified) {
            std::fputs(TableText::Format(res::kNotAKeptCheck, file.c_str()).c_str(), err);
            return false;
        }
        checks->push_back(std::move(check));
    }
    return true;
}

// The client of the fleet named `label`; null when none is.
Client* ByLabel(std::vector<Client>& clients, const std::string& label) {
    for (Client& c : clients) {
        if (SameClient(label, c)) return &c;
    }
    return nullptr;
}

// The checks of kept files: who read back whose, and how it went, with the
// check's failures. A check that did not end "ok", or of a client outside
// the fleet, fails the client that kept the files; one that kept files that
// nobody checked has proved nothing of what it left.
ordered KeptChecks(std::vector<Client>& clients, const std::vector<ResultReader::Client>& checks,
                   std::string* text) {
    ordered list = ordered::array();
    std::vector<bool> checked(clients.size());
    for (const ResultReader::Client& check : checks) {
        const ResultDocument& d = check.document;
        Client* keeper = ByLabel(clients, d.verified->label);
        const std::string problem = !keeper            ? TableText::Get(res::kCrossOutsider)
                                    : d.result == "ok" ? std::string()
                                    : d.result == RunVerdict::ResultName(RunVerdict::kFailed)
                                        ? TableText::Get(res::kCrossFilesDiffer)
                                        : TableText::Get(res::kClientNotOk);
        const std::string pair = d.verified->label + " → " + check.label;
        *text +=
            TableText::Format(res::kKeptCheckLine, pair.c_str(),
                              problem.empty() ? "ok" : problem.c_str(), d.verified->files.size());
        for (const ResultDocument::Failure& f : d.failures) {
            *text +=
                TableText::Format(res::kFailureAt, check.label.c_str(), f.test.value_or("").c_str(),
                                  f.category.value_or("").c_str());
        }
        // The client whose files went wrong answers for them; for files of
        // nobody of the fleet, the client that read them.
        if (keeper) checked[keeper - clients.data()] = true;
        Client* answers = keeper ? keeper : ByLabel(clients, check.label);
        if (answers && !problem.empty()) {
            answers->Fault(RunVerdict::kFailed,
                           TableText::Format(res::kKeptCheckFault, pair.c_str(), problem.c_str()));
        }
        list.push_back({{"keeper", d.verified->label},
                        {"reader", check.label},
                        {"result", problem.empty() ? "ok" : "failed"},
                        {"files", d.verified->files.size()},
                        {"bytesRead", d.bytesRead},
                        {"failures", d.failures}});
    }
    for (std::size_t i = 0; i < clients.size(); ++i) {
        Client& c = clients[i];
        if (c.read.present && c.Doc().kept && !checked[i]) {
            c.Fault(RunVerdict::kFailed, TableText::Get(res::kKeptNobodyRead));
        }
    }
    return list;
}

struct Merged {
    RunVerdict::Result result = RunVerdict::kOk;
    std::string text;
    ordered document;
    HtmlReport::Fleet report;  // its documents are those of the clients merged
};

// When every client ran at once, by measured clocks, and what the share
// carried for them then.
struct Together {
    bool unmeasured = false;  // starts read on clocks nobody compared
    int64_t startMs = 0;
    int64_t lengthMs = 0;  // 0 or less: never all at once, or unmeasured
    uint64_t plannedMs = 0;
    uint64_t rate = 0;
    std::string why;   // why the fleet's verdict cannot be "ok", or empty
    std::string text;  // for the fleet's line
};

Together RanTogether(const std::vector<const Client*>& present) {
    Together t;
    if (present.empty()) return t;
    int64_t end = INT64_MAX;
    t.startMs = INT64_MIN;
    for (const Client* c : present) {
        t.startMs = std::max(t.startMs, c->startMs);
        end = std::min(end, c->EndMs());
    }
    // Starts read on clocks nobody compared say nothing of who ran when.
    t.unmeasured =
        present.size() > 1 && std::any_of(present.begin(), present.end(),
                                          [](const Client* c) { return !c->Doc().clockOffsetMs; });
    t.lengthMs = t.unmeasured ? 0 : end - t.startMs;
    t.plannedMs = PlannedMs(present.back()->Doc().settings);
    if (t.unmeasured) {
        t.text = " | " + TableText::Get(res::kClocksNotCompared);
        return t;
    }
    if (t.lengthMs > 0) {
        uint64_t bytes = 0;
        for (const Client* c : present) bytes += BytesBetween(*c, t.startMs, end);
        t.rate = static_cast<uint64_t>(static_cast<long double>(bytes) * 1000 / t.lengthMs);
        t.text = " | " + TableText::Format(res::kAllTogether, Seconds(t.lengthMs).c_str(),
                                           ProgressText::Throughput(t.rate).ToUtf8().c_str());
    } else {
        t.text = " | " + TableText::Get(res::kNeverTogether);
    }
    // Clients that did not run together for the time asked did not load the
    // server together: the verdict cannot be theirs.
    if (t.lengthMs <= 0 || static_cast<uint64_t>(t.lengthMs) + kTogetherMs < t.plannedMs) {
        t.why = TableText::Format(res::kNotTogetherLongEnough, Seconds(t.plannedMs).c_str());
        t.text += " | " + t.why;
    }
    return t;
}

// Each client's line and entry, and every failure with the label of the
// client that saw it; the worst client's verdict goes into `m`.
void ListClients(const std::vector<Client>& clients, Merged* m, ordered* list, ordered* failures) {
    for (const Client& c : clients) {
        if (Client::Severity(c.result) > Client::Severity(m->result)) m->result = c.result;
        m->text += Line(c);
        list->push_back(Entry(c));
        if (!c.read.present) continue;
        const auto& all = c.Doc().failures;
        const std::size_t shown = std::min(all.size(), ResultMerge::kFailuresShown);
        for (const ResultDocument::Failure& f : std::span(all).first(shown)) {
            ordered labelled = {{"label", c.read.label}};
            // What the client's result gives of it, as it gave it.
            const ordered failure = f;
            for (const auto& [name, value] : failure.items()) {
                if (!value.is_null()) labelled[name] = value;
            }
            failures->push_back(labelled);
            m->text +=
                TableText::Format(res::kFailureAt, c.read.label.c_str(),
                                  f.test.value_or("").c_str(), f.category.value_or("").c_str());
        }
        if (shown < all.size()) {
            m->text += TableText::Format(res::kMoreFailures, c.read.label.c_str(),
                                         all.size() - shown, c.read.file.c_str());
        }
    }
}

// The settings every client shared (SameSettings); null without a result.
ordered FleetSettings(const std::vector<const Client*>& present) {
    if (present.empty()) return ordered();
    ordered settings = present.back()->Doc().settings;
    settings.erase("threadPriority");  // each client's own
    return settings;
}

// The clients together: each judged, then the window in which all of them
// ran and what the share carried for them in it.
Merged Merge(std::vector<Client>& clients, const std::vector<ResultReader::Client>& checks,
             const ResultMerge::Options& options) {
    std::vector<const Client*> present;
    for (const Client& c : clients) {
        if (c.read.present) present.push_back(&c);
    }
    for (Client& c : clients) Judge(c, present.size() > 1, options);
    std::string pairsText;
    const ordered pairs = CrossChecks(clients, &pairsText);
    const ordered kept = KeptChecks(clients, checks, &pairsText);
    const Together together = RanTogether(present);
    Merged m;
    if (!together.why.empty()) m.result = RunVerdict::kInterrupted;
    ordered list = ordered::array(), failures = ordered::array();
    ListClients(clients, &m, &list, &failures);
    m.text += pairsText;
    m.text += TableText::Format(res::kFleetLine, clients.size(), together.text.c_str());
    const bool window = together.lengthMs > 0;
    m.report = {RunVerdict::ResultName(m.result),
                RunVerdict::Sentence(m.result),
                m.text,
                {},
                window ? std::optional(together.startMs) : std::nullopt,
                together.lengthMs};
    for (const Client& c : clients) {
        std::vector<std::string> reasons = c.reasons;
        reasons.insert(reasons.end(), c.notes.begin(), c.notes.end());
        m.report.clients.push_back({c.read.label, RunVerdict::ResultName(c.result),
                                    RunVerdict::Sentence(c.result), reasons,
                                    c.read.present ? &c.Doc() : nullptr, c.startMs});
    }
    m.document = {
        {"result", RunVerdict::ResultName(m.result)},
        {"settings", FleetSettings(present)},
        {"window",
         window ? ordered{{"startedAtMs", together.startMs}, {"elapsedMs", together.lengthMs}}
                : ordered()},
        {"plannedMs", together.plannedMs},
        {"together", !present.empty() && !together.unmeasured && together.why.empty()},
        {"throughput", window ? ordered(together.rate) : ordered()},
        {"clients", list},
        {"crossChecks", pairs},
        {"keptChecks", kept},
        {"failures", failures},
    };
    return m;
}

}  // namespace

int ResultMerge::Run(const std::vector<std::string>& files, const Options& options, std::FILE* out,
                     std::FILE* err) {
    const std::size_t count = files.size() + options.keptChecks.size();
    if (count > kMaxFiles) {
        std::fputs(TableText::Format(res::kTooManyFiles, count, kMaxFiles).c_str(), err);
        return 2;
    }
    std::vector<Client> clients;
    std::vector<ResultReader::Client> checks;
    uint64_t input = 0;
    if (!ResultFile::Distinct({options.jsonPath, options.htmlPath}, err) ||
        !ResultFile::CanDeliver(options.jsonPath, err) ||
        !ResultFile::CanDeliver(options.htmlPath, err) ||
        !ReadAll(files, options, &clients, &input, err) ||
        !ReadChecks(options, &checks, &input, err)) {
        return 2;
    }
    for (const std::string& label : options.localClients) {
        if (ByLabel(clients, label)) continue;
        std::fputs(TableText::Format(res::kUnknownLocalLabel, label.c_str()).c_str(), err);
        return 2;
    }
    const Merged m = Merge(clients, checks, options);
    bool delivered = true;
    if (!options.jsonPath.empty()) {
        delivered = ResultFile::Deliver(
            options.jsonPath,
            m.document.dump(2, ' ', false, ordered::error_handler_t::replace) + "\n", out, err);
    }
    if (!options.htmlPath.empty()) {
        delivered &= ResultFile::Deliver(options.htmlPath, HtmlReport::OfFleet(m.report), out, err);
    }
    std::FILE* textOut = options.jsonPath == "-" || options.htmlPath == "-" ? err : out;
    std::fputs(m.text.c_str(), textOut);
    std::fprintf(textOut, "%s\n", RunVerdict::Sentence(m.result));
    std::fflush(textOut);
    return delivered ? RunVerdict::ExitCode(m.result) : 2;
}
