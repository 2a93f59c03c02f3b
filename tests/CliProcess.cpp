#include "tests/CliProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <string_view>
#include <thread>

#include "engine/CDVXThreadData.h"

namespace fs = std::filesystem;

CliProcess::CliProcess(const std::vector<std::string>& args, const std::string& tmp,
                       bool closedOutput) {
    std::vector<std::string> env{"TMPDIR=" + tmp};
    for (char** entry = environ; *entry; ++entry)
        if (!std::string_view(*entry).starts_with("TMPDIR=")) env.emplace_back(*entry);
    Start(DALVEX_CLI_PATH, args, env, closedOutput);
}

CliProcess::CliProcess(const std::string& program, const std::vector<std::string>& args,
                       const std::vector<std::string>& env) {
    Start(program, args, env, false);
}

// Everything the child needs is made before fork: the child of a threaded
// process may call only what is safe after fork.
void CliProcess::Start(const std::string& program, const std::vector<std::string>& args,
                       std::vector<std::string> env, bool closedOutput) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())}, envp;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    for (std::string& entry : env) envp.push_back(entry.data());
    argv.push_back(nullptr), envp.push_back(nullptr);
    const std::string out = m_work.File("out"), err = m_work.File("err");
    int pipeEnds[2] = {-1, -1};
    if (closedOutput && pipe(pipeEnds) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
        const auto output = [&](const std::string& name) {
            return closedOutput ? pipeEnds[1]
                                : open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        };
        dup2(output(out), 1), dup2(output(err), 2);
        if (closedOutput) close(pipeEnds[0]);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    if (closedOutput) close(pipeEnds[0]), close(pipeEnds[1]);  // nobody reads any more
}

CliProcess::~CliProcess() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

void CliProcess::Signal(int signal) { kill(m_pid, signal); }

bool CliProcess::WaitForError(const std::string& text) {
    for (int i = 0; i < 3000; ++i) {
        if (ReadFile(m_work.File("err")).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

CliResult CliProcess::Wait(int limitMs) {
    int status = -1;
    for (int waited = 0; limitMs >= 0 && waitpid(m_pid, &status, WNOHANG) == 0; waited += 10) {
        if (waited >= limitMs) kill(m_pid, SIGKILL), limitMs = -1;  // then waited for below
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (limitMs < 0) waitpid(m_pid, &status, 0);
    m_pid = -1;
    return CliResult{WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                     WIFSIGNALED(status) ? WTERMSIG(status) : 0, ReadFile(m_work.File("out")),
                     ReadFile(m_work.File("err"))};
}

std::vector<TableRow> ReadTable(const std::string& path) {
    std::vector<TableRow> rows;
    for (const auto& row : json::parse(ReadFile(path))) rows.push_back({row});
    return rows;
}

json ParseResult(const std::string& text) {
    const auto result = json::parse(text, nullptr, false);
    if (!result.is_discarded()) return result;
    ADD_FAILURE() << "invalid JSON:\n" << text;
    return json::object();
}

bool Contains(const json& value, const json& subset) {
    if (!subset.is_object()) return value == subset;
    if (!value.is_object()) return false;
    for (const auto& [key, member] : subset.items()) {
        if (!value.contains(key)) return false;
        // An errno may be expected by its name.
        const bool byName = key == "errno" && member.is_string() && value[key].is_number();
        if (!Contains(byName ? json(strerrorname_np(value[key])) : value[key], member))
            return false;
    }
    return true;
}

// "2026-12-06T14:03:07+01:00": a local time with its offset.
static bool IsIso8601(const json& value) {
    static const std::regex shape(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)");
    return value.is_string() && std::regex_match(value.get<std::string>(), shape);
}

json CheckRun(const CliResult& r, int status, const json& expected, const std::string& text) {
    json j = ParseResult(text);  // not const: a missing member reads as null
    const char* result = status == 0 ? "ok" : status == 1 ? "failed" : "interrupted";
    EXPECT_EQ(r.status, status) << r.out << r.err;
    EXPECT_TRUE(j["result"] == result && Contains(j, expected) && IsIso8601(j["startedAt"]))
        << j.dump(2);
    EXPECT_TRUE(status != 0 ||
                (j["bytesWritten"] > 0 && j["bytesWritten"] == j["bytesRead"] &&
                 j["failures"].empty() && (j["elapsedMs"] < 6000 || j["throughput"] > 0)))
        << "a graceful stop reads back all it wrote\n"
        << j.dump(2);
    EXPECT_TRUE(status != 1 || !j["failures"].empty()) << j.dump(2);
    bool calls = true;  // so far only failed calls
    for (const json& f : j["failures"]) {
        const bool call = f["errorKind"] == CDVXThreadData::kSystemError;
        EXPECT_TRUE((calls || !call) && IsIso8601(f["localTime"]) &&
                    f["testTimeMs"].is_number_unsigned() &&
                    (!call || (f["message"].is_string() && f["message"] != "")))
            << "failed calls first and with a message, each failure with its time\n"
            << f.dump(2);
        calls &= call;
    }
    return j;
}

std::pair<CliResult, json> RunChecked(std::vector<std::string> args, const std::string& tmp,
                                      int status, const json& expected,
                                      const std::vector<std::string>& untouched,
                                      const std::string& jsonFile) {
    std::vector<std::map<std::string, std::string>> before;
    for (const std::string& dir : untouched) before.push_back(Snapshot(dir));
    args.insert(args.end(), {"--json", jsonFile.empty() ? "-" : jsonFile});
    const CliResult r = CliProcess::Run(args, tmp);
    const std::string text = jsonFile.empty() ? r.out : ReadFile(jsonFile);
    if (!jsonFile.empty()) fs::remove(jsonFile);
    const json j = CheckRun(r, status, expected, text);
    for (std::size_t i = 0; i < untouched.size(); ++i) {
        EXPECT_EQ(Snapshot(untouched[i]), before[i]) << Listing(untouched[i]);
    }
    return {r, j};
}
