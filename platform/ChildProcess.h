#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace platform {

// A copy of this process that does one job, linked to this one by pipes:
// its messages come up, requests (single bytes) go down, and its error
// output is passed on to ours. It ignores SIGINT, SIGTERM and SIGHUP (a
// terminal sends them to both processes: this one decides) and writes
// nothing to our standard output. Nothing here ever waits on the child
// without a limit: a child stuck in the kernel can be killed and left
// behind. Start from a thread of a process that has only that thread.
class ChildProcess {
public:
    // The child's ends of the pipes.
    class Link {
    public:
        // Writes the whole message; false once the parent has gone.
        bool Send(const std::string& message) const;
        // The highest request byte that came since the last call, or the
        // previous answer; `ifGone` once the parent has gone.
        int ReadRequests(int previous, int ifGone) const;

    private:
        friend class ChildProcess;
        int m_requests = -1;
        int m_messages = -1;
    };

    ChildProcess() = default;
    // Closes our ends; a child still there is killed.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Forks; the child runs `job` and ends with its result as exit code, or
    // with 0 at once (no destructor, no exit handler) when the result is
    // negative: the job left threads behind that those would pull the ground
    // from under.
    // Standard output and error are flushed first. False when the child
    // could not be made.
    bool Start(const std::function<int(const Link&)>& job);
    // Waits up to `ms`, or until `wakeHandle` (-1: none) is readable, for
    // the child's messages and error output: its messages' bytes are added
    // to `messages`, its error output is written to `err`. False once the
    // child's messages have ended (it exited, or closed them).
    bool Wait(uint32_t ms, int wakeHandle, std::string* messages, std::FILE* err);
    // Never blocks; false when the request could not go.
    bool Request(uint8_t byte);
    // Whether it has exited, reaped here, and how: "code N" or "signal N".
    bool HasExited(std::string* how);
    // Its exit code once it exited normally, else -1.
    int ExitCode() const { return m_exitCode; }
    // SIGKILL; a child in an uninterruptible wait dies when the system lets it.
    void Kill();

private:
    void CloseAll();

    int m_pid = -1;
    int m_requests = -1;
    int m_messages = -1;
    int m_errors = -1;
    bool m_exited = false;
    int m_exitCode = -1;
    std::string m_how;
};

}  // namespace platform
