#include "tests/CliProcess.h"

#include <fcntl.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <string_view>
#include <thread>

#include "engine/RunSnapshot.h"
#include "tests/Eventually.h"
#include "tests/Fields.h"

Strings Environment(const std::string& tmp) {
    Strings env;
    if (!tmp.empty()) env.push_back("TMPDIR=" + tmp);
    for (char** entry = environ; *entry; ++entry)
        if (tmp.empty() || !std::string_view(*entry).starts_with("TMPDIR="))
            env.emplace_back(*entry);
    return env;
}

CliProcess::CliProcess(const Strings& args, const std::string& tmp, bool closedOutput)
    : CliProcess(DALVEX_CLI_PATH, args, Environment(tmp), closedOutput) {}

// Everything the child needs is made before fork: the child of a threaded
// process may call only what is safe after fork.
CliProcess::CliProcess(const std::string& program, const Strings& args, Strings env, bool closed) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())}, envp;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    for (std::string& entry : env) envp.push_back(entry.data());
    argv.push_back(nullptr), envp.push_back(nullptr);
    const std::string out = m_work.File("out"), err = m_work.File("err");
    m_pid = fork();
    if (m_pid == 0) {
        int ends[2];  // a pipe whose reader has gone
        if (closed && pipe(ends) == 0) close(ends[0]), dup2(ends[1], 1), dup2(ends[1], 2);
        if (!closed) dup2(open(out.c_str(), O_WRONLY | O_CREAT, 0644), 1);
        if (!closed) dup2(open(err.c_str(), O_WRONLY | O_CREAT, 0644), 2);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
}

CliProcess::~CliProcess() {
    if (m_pid > 0) kill(m_pid, SIGKILL), waitpid(m_pid, nullptr, 0);
}

bool CliProcess::WaitForError(const std::string& text) {
    return Eventually([&] { return ReadFile(m_work.File("err")).find(text) != std::string::npos; },
                      30000);
}

CliResult CliProcess::Wait(int limitMs) {
    int status = -1;
    for (int waited = 0; limitMs >= 0 && waitpid(m_pid, &status, WNOHANG) == 0; waited += 10) {
        if (waited >= limitMs) kill(m_pid, SIGKILL), limitMs = -1;  // then waited for below
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (limitMs < 0) waitpid(m_pid, &status, 0);
    m_pid = -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            WIFSIGNALED(status) ? WTERMSIG(status) : 0, ReadFile(m_work.File("out")),
            ReadFile(m_work.File("err"))};
}

bool Contains(const json& value, const json& subset) {
    if (!subset.is_object() || !value.is_object()) return value == subset;
    for (const auto& [key, member] : subset.items()) {
        if (!value.contains(key)) return false;
        const json& v = value[key];  // an errno may be expected by its name
        if (key == "errno" && member.is_string() && v.is_number() ? member != strerrorname_np(v)
                                                                  : !Contains(v, member))
            return false;
    }
    return true;
}

json CheckRun(const CliResult& r, int status, const json& expected, const std::string& text) {
    // "2026-12-06T14:03:07+01:00": a local time with its offset, as a JSON text.
    static const std::regex iso8601(R"("\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d")");
    const auto isTime = [](const json& t) { return std::regex_match(t.dump(), iso8601); };
    json j = ParseResult(text);  // not const: a missing member reads as null
    // The failures first: a log that keeps only the ends of long outputs keeps them.
    EXPECT_EQ(r.status, status) << j["failures"].dump(1) << "\n" << r.err << r.out;
    const char* result = status == 0 ? "ok" : status == 1 ? "failed" : "interrupted";
    // The cross-check reads another client's files, not its own.
    const json cross = j["crossCheck"].is_object() ? j["crossCheck"] : json::object();
    const uint64_t written = j.value("bytesWritten", 0ull) - cross.value("bytesWritten", 0ull),
                   read = j.value("bytesRead", 0ull) - cross.value("bytesRead", 0ull);
    // Every file is read back as it was written, but by the tests that change
    // files: they write some bytes twice and read some twice. A check of the
    // files an earlier run kept reads, and writes nothing.
    const bool changed = j["settings"].is_object() && j["settings"].value("modifyTests", false);
    const bool checking = j["verified"].is_object();
    const bool moved =
        checking ? written == 0 && read > 0 : written > 0 && (changed ? read > 0 : written == read);
    EXPECT_TRUE(j["result"] == result && Contains(j, expected) && isTime(j["startedAt"]) &&
                (status == 3 || j["failures"].empty() == (status == 0)) &&
                (status != 0 || (moved && (j["elapsedMs"] < 6000 || j["throughput"] > 0))))
        << j.dump(2);
    bool calls = true;  // failed calls first, with a message; each failure with its time
    for (const json& f : j["failures"]) {
        const bool call = f["errorKind"] == TestFailure::kSystemError;
        EXPECT_TRUE((calls || !call) && isTime(f["localTime"]) &&
                    f["testTimeMs"].is_number_unsigned() && (!call || f.value("message", "") != ""))
            << f.dump(2);
        calls &= call;
    }
    return j;
}

std::pair<CliResult, json> RunChecked(Strings args, const std::string& tmp, int status,
                                      const json& expected, const Strings& untouched,
                                      const std::string& jsonFile) {
    std::vector<std::map<std::string, std::string>> before;
    for (const std::string& dir : untouched) before.push_back(Snapshot(dir));
    args.insert(args.end(), {"--json", jsonFile.empty() ? "-" : jsonFile});
    const CliResult r = CliProcess::Run(args, tmp);
    const json j = CheckRun(r, status, expected, jsonFile.empty() ? r.out : ReadFile(jsonFile));
    unlink(jsonFile.c_str());  // nothing for standard output
    for (std::size_t i = 0; i < untouched.size(); ++i)
        EXPECT_EQ(Snapshot(untouched[i]), before[i]) << Listing(untouched[i]);
    return {r, j};
}

void ExpectRefused(Strings args, const std::string& tmp, const json& said,
                   const std::string& jsonFile) {
    args.insert(args.end(), {"--json", jsonFile});
    const CliResult r = CliProcess::Run(args, tmp);
    EXPECT_TRUE(Fields()
                    .Is("status", r.status, 2)
                    .Is("stdout", r.out, "")
                    .Is("result written", access(jsonFile.c_str(), F_OK) == 0, false))
        << r.err;
    for (const std::string text : said)
        EXPECT_NE(r.err.find(text), std::string::npos) << text << "\n" << r.err;
}

std::string TidyComplaints(const std::string& path) {
    const CliResult r =
        CliProcess("/usr/bin/tidy", {"-q", "-e", "--show-warnings", "yes", path}, {}).Wait();
    if (r.status == 0 && r.out.empty() && r.err.empty()) return "";
    return "tidy, status " + std::to_string(r.status) + ":\n" + r.out + r.err;
}
