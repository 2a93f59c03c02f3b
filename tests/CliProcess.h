#pragma once
#include <signal.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <vector>

#include "tests/TempDir.h"

using nlohmann::json;
using Strings = std::vector<std::string>;

// dalvex2-cli, or another program, run as a child process, its output kept in files.
struct CliResult {
    int status = -1, signal = 0;  // exit status (-1 when killed by a signal), that signal
    std::string out, err;
};

// This process's environment, with `tmp` for $TMPDIR when it is given.
Strings Environment(const std::string& tmp = "");

class CliProcess {
public:
    // `tmp` becomes the program's $TMPDIR. With `closedOutput`, standard
    // output and error are a pipe that nobody reads any more (… | head).
    CliProcess(const Strings& args, const std::string& tmp, bool closedOutput = false);
    // `program` with `env` for its whole environment.
    CliProcess(const std::string& program, const Strings& args, Strings env, bool closed = false);
    ~CliProcess();

    pid_t Pid() const { return m_pid; }
    void Signal(int signal) { kill(m_pid, signal); }
    // Waits (at most 30 s) until the program has written `text` to its standard error.
    bool WaitForError(const std::string& text);
    // Waits for the end; past `limitMs`, when given, kills the program.
    CliResult Wait(int limitMs = -1);
    static CliResult Run(const Strings& a, const std::string& tmp) {
        return CliProcess(a, tmp).Wait();
    }

private:
    TempDir m_work;  // the output files; no copies
    pid_t m_pid = -1;
};

// One case of a table kept in a JSON file, known by its "name" (RowName).
struct TableRow {
    json data;
};
inline std::vector<TableRow> ReadTable(const std::string& path) {
    std::vector<TableRow> rows;
    for (const auto& row : json::parse(ReadFile(path))) rows.push_back({row});
    return rows;
}
inline void PrintTo(const TableRow& row, std::ostream* os) { *os << row.data["name"]; }
inline std::string RowName(const testing::TestParamInfo<TableRow>& i) {
    return i.param.data["name"];
}

// The program's JSON result; an empty object, and a test failure, if `text` is not JSON.
inline json ParseResult(const std::string& text) {
    const auto result = json::parse(text, nullptr, false);
    if (result.is_discarded()) ADD_FAILURE() << "invalid JSON:\n" << text;
    return result.is_discarded() ? json::object() : result;
}

// What tidy finds wrong in the HTML file `path`, errors and warnings alike;
// empty when nothing, and tidy's status when it could not run.
std::string TidyComplaints(const std::string& path);

// Whether `value` holds every member of `subset` alike (objects in depth; an "errno" by name).
bool Contains(const json& value, const json& subset);

// What every run must end with: the exit status `status` (0, 1 or 3) and a JSON
// result (`text`) saying the same, holding `expected` and when it started. An "ok"
// run read back all it wrote, lists no failure and, after 6 s, has a throughput; a
// failed one lists its failures, failed calls first with their message, each timed.
json CheckRun(const CliResult& r, int status, const json& expected, const std::string& text);

// dalvex2-cli with `args`, $TMPDIR `tmp` and --json `jsonFile` (read, then removed; empty:
// standard output), checked with CheckRun; the `untouched` directories stay as they were.
std::pair<CliResult, json> RunChecked(Strings args, const std::string& tmp, int status,
                                      const json& expected, const Strings& untouched,
                                      const std::string& jsonFile = "");

// dalvex2-cli with `args`, $TMPDIR `tmp` and --json `jsonFile`, refused before any
// test: exit status 2, nothing on standard output, no result file, and each text of
// `said` on standard error.
void ExpectRefused(Strings args, const std::string& tmp, const json& said,
                   const std::string& jsonFile);
