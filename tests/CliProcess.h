#pragma once
#include <sys/types.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/TempDir.h"

// dalvex2-cli run as a child process, its output kept in files.
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
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    void Signal(int signal);
    // Waits (at most 30 s) until the program has written `text` to its
    // standard error.
    bool WaitForError(const std::string& text);
    CliResult Wait();

    static CliResult Run(const std::vector<std::string>& args, const std::string& tmp) {
        return CliProcess(args, tmp).Wait();
    }

private:
    TempDir m_work;
    pid_t m_pid = -1;
};

// One case of a table kept in a JSON file, known by its "name".
struct TableRow {
    nlohmann::json data;
};
std::vector<TableRow> ReadTable(const std::string& path);
inline void PrintTo(const TableRow& row, std::ostream* os) { *os << row.data["name"]; }

// The program's JSON result; an empty object, and a test failure, when `text`
// is not JSON.
nlohmann::json ParseResult(const std::string& text);

// Whether `value` holds every member of `subset` with the same value, nested
// objects compared the same way; an "errno" may be given by its name.
bool Contains(const nlohmann::json& value, const nlohmann::json& subset);

// "2026-12-06T14:03:07+01:00": a local time with its offset.
bool IsIso8601(const nlohmann::json& value);
