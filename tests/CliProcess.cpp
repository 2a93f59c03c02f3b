#include "tests/CliProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

CliProcess::CliProcess(const std::vector<std::string>& args, const std::string& tmp,
                       bool closedOutput) {
    int pipeEnds[2] = {-1, -1};
    if (closedOutput && pipe(pipeEnds) != 0) return;
    m_pid = fork();
    if (m_pid == 0) {
        setenv("TMPDIR", tmp.c_str(), 1);
        const auto output = [&](const char* name) {
            return closedOutput
                       ? pipeEnds[1]
                       : open(m_work.File(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        };
        dup2(output("out"), 1), dup2(output("err"), 2);
        if (closedOutput) close(pipeEnds[0]);
        std::vector<char*> argv{const_cast<char*>(DALVEX_CLI_PATH)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(DALVEX_CLI_PATH, argv.data());
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

CliResult CliProcess::Wait() {
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    return CliResult{WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                     WIFSIGNALED(status) ? WTERMSIG(status) : 0, ReadFile(m_work.File("out")),
                     ReadFile(m_work.File("err"))};
}

std::vector<TableRow> ReadTable(const std::string& path) {
    std::vector<TableRow> rows;
    for (const auto& row : nlohmann::json::parse(ReadFile(path))) rows.push_back({row});
    return rows;
}

nlohmann::json ParseResult(const std::string& text) {
    const auto result = nlohmann::json::parse(text, nullptr, false);
    if (!result.is_discarded()) return result;
    ADD_FAILURE() << "invalid JSON:\n" << text;
    return nlohmann::json::object();
}

bool Contains(const nlohmann::json& value, const nlohmann::json& subset) {
    if (!subset.is_object()) return value == subset;
    if (!value.is_object()) return false;
    for (const auto& [key, member] : subset.items()) {
        if (!value.contains(key)) return false;
        // An errno may be expected by its name.
        const bool byName = key == "errno" && member.is_string() && value[key].is_number();
        if (!Contains(byName ? nlohmann::json(strerrorname_np(value[key])) : value[key], member))
            return false;
    }
    return true;
}

bool IsIso8601(const nlohmann::json& value) {
    const std::string text = value.is_string() ? value.get<std::string>() : "";
    const std::string_view shape = "dddd-dd-ddTdd:dd:dd+dd:dd";  // d a digit, + a sign
    return text.size() == shape.size() &&
           std::equal(shape.begin(), shape.end(), text.begin(), [](char s, char c) {
               return s == 'd' ? c >= '0' && c <= '9' : s == '+' ? c == '+' || c == '-' : c == s;
           });
}
