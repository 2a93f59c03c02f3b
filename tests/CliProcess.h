#pragma once
#include <sys/types.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "tests/TempDir.h"

using nlohmann::json;

// dalvex2-cli, or another program, run as a child process, its output kept in files.
struct CliResult {
    int status = -1;  // exit status, -1 when killed by a signal
    int signal = 0;   // the signal that killed it
    std::string out;
    std::string err;
};

class CliProcess {
public:
    // `tmp` becomes the program's $TMPDIR. With `closedOutput`, standard
    // output and error are a pipe that nobody reads any more (… | head).
    CliProcess(const std::vector<std::string>& args, const std::string& tmp,
               bool closedOutput = false);
    // `program` with `env` for its whole environment.
    CliProcess(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& env);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    pid_t Pid() const { return m_pid; }
    void Signal(int signal);
    // Waits (at most 30 s) until the program has written `text` to its
    // standard error.
    bool WaitForError(const std::string& text);
    // Waits for the end; past `limitMs`, when given, kills the program.
    CliResult Wait(int limitMs = -1);

    static CliResult Run(const std::vector<std::string>& args, const std::string& tmp) {
        return CliProcess(args, tmp).Wait();
    }

private:
    void Start(const std::string& program, const std::vector<std::string>& args,
               std::vector<std::string> env, bool closedOutput);

    TempDir m_work;
    pid_t m_pid = -1;
};

// One case of a table kept in a JSON file, known by its "name" (RowName).
struct TableRow {
    json data;
};
std::vector<TableRow> ReadTable(const std::string& path);
inline void PrintTo(const TableRow& row, std::ostream* os) { *os << row.data["name"]; }
inline std::string RowName(const testing::TestParamInfo<TableRow>& info) {
    return info.param.data["name"].get<std::string>();
}

// The program's JSON result; an empty object, and a test failure, when `text`
// is not JSON.
json ParseResult(const std::string& text);

// Whether `value` holds every member of `subset` with the same value, nested
// objects compared the same way; an "errno" may be given by its name.
bool Contains(const json& value, const json& subset);

// What every run must end with: the exit status `status` (0, 1 or 3) and a JSON
// result (`text`) that says the same ("ok", "failed", "interrupted"), holds
// `expected` and says when it started. An "ok" run read back every byte it
// wrote, lists no failure and, after six seconds, has a throughput; a failed
// one lists its failures, the failed calls first and each with its message,
// every failure with its time.
json CheckRun(const CliResult& r, int status, const json& expected, const std::string& text);

// dalvex2-cli run with `args` and --json `jsonFile` (read, then removed; empty:
// standard output), $TMPDIR `tmp`, then checked with CheckRun; `untouched`
// directories must be left as they were, no test file of its own behind.
std::pair<CliResult, json> RunChecked(std::vector<std::string> args, const std::string& tmp,
                                      int status, const json& expected,
                                      const std::vector<std::string>& untouched,
                                      const std::string& jsonFile = "");
