#include "platform/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>

#include "platform/FileApi.h"
#include "platform/linux/Interrupted.h"

namespace platform {

namespace {

constexpr int kMessageRoom = 1 << 20;

void CloseFd(int* fd) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
}

// Reads what is there without waiting; false at the end of the stream.
bool Drain(int fd, std::string* into) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = RetryInterrupted([&] { return ::read(fd, buffer, sizeof buffer); });
        if (n <= 0) return n < 0 && errno == EAGAIN;
        into->append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

bool ChildProcess::Link::Send(const std::string& message) const {
    uint32_t written = 0;
    return FileApi::Write(m_messages, message.data(), static_cast<uint32_t>(message.size()),
                          &written);
}

int ChildProcess::Link::ReadRequests(int previous, int ifGone) const {
    int highest = previous;
    unsigned char bytes[64];
    for (;;) {
        const ssize_t n = RetryInterrupted([&] { return ::read(m_requests, bytes, sizeof bytes); });
        if (n == 0) return ifGone;
        if (n < 0) return highest;
        for (ssize_t i = 0; i < n; ++i) highest = std::max(highest, int{bytes[i]});
    }
}

ChildProcess::~ChildProcess() {
    std::string how;
    if (m_pid > 0 && !HasExited(&how)) Kill();
    CloseAll();
}

void ChildProcess::CloseAll() {
    CloseFd(&m_requests);
    CloseFd(&m_messages);
    CloseFd(&m_errors);
}

bool ChildProcess::Start(const std::function<int(const Link&)>& job) {
    int down[2], up[2], errors[2];
    if (::pipe2(down, O_CLOEXEC) != 0) return false;
    if (::pipe2(up, O_CLOEXEC) != 0) {
        ::close(down[0]), ::close(down[1]);
        return false;
    }
    // Room for some 40 s of a run's news, so that a supervisor stopped a while
    // does not hold the child (as large as the system allows; best effort).
    ::fcntl(up[1], F_SETPIPE_SZ, kMessageRoom);
    if (::pipe2(errors, O_CLOEXEC) != 0) {
        ::close(down[0]), ::close(down[1]), ::close(up[0]), ::close(up[1]);
        return false;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    // Reaped here, whatever this process was started with.
    std::signal(SIGCHLD, SIG_DFL);
    // No stop signal reaches the child's copy of our handlers.
    sigset_t stopSignals, previous;
    sigemptyset(&stopSignals);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopSignals, s);
    pthread_sigmask(SIG_BLOCK, &stopSignals, &previous);
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, SIG_IGN);
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        ::close(down[1]), ::close(up[0]), ::close(errors[0]);
        const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        if (null >= 0) ::dup2(null, STDIN_FILENO), ::dup2(null, STDOUT_FILENO), ::close(null);
        ::dup2(errors[1], STDERR_FILENO);
        ::close(errors[1]);
        ::fcntl(down[0], F_SETFL, O_NONBLOCK);
        Link link;
        link.m_requests = down[0];
        link.m_messages = up[1];
        const int result = job(link);
        if (result < 0) {
            std::fflush(stderr);
            ::_exit(0);
        }
        std::exit(result);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ::close(down[0]), ::close(up[1]), ::close(errors[1]);
    if (pid < 0) {
        ::close(down[1]), ::close(up[0]), ::close(errors[0]);
        return false;
    }
    m_pid = pid;
    m_requests = down[1];
    m_messages = up[0];
    m_errors = errors[0];
    for (int fd : {m_requests, m_messages, m_errors}) ::fcntl(fd, F_SETFL, O_NONBLOCK);
    return true;
}

bool ChildProcess::Wait(uint32_t ms, int wakeHandle, std::string* messages, std::FILE* err) {
    pollfd fds[3] = {{m_messages, POLLIN, 0}, {m_errors, POLLIN, 0}, {wakeHandle, POLLIN, 0}};
    const nfds_t count = wakeHandle >= 0 ? 3 : 2;
    if (m_messages >= 0 || m_errors >= 0) {
        ::poll(fds, count, static_cast<int>(ms));  // EINTR: a signal, which the caller looks at
    } else {
        ::poll(fds + 2, wakeHandle >= 0 ? 1 : 0, static_cast<int>(ms));
    }
    if (m_errors >= 0) {
        std::string text;
        if (!Drain(m_errors, &text)) CloseFd(&m_errors);
        if (!text.empty()) {
            std::fwrite(text.data(), 1, text.size(), err);
            std::fflush(err);
        }
    }
    if (m_messages >= 0 && !Drain(m_messages, messages)) CloseFd(&m_messages);
    return m_messages >= 0;
}

bool ChildProcess::Request(uint8_t byte) {
    return m_requests >= 0 && RetryInterrupted([&] { return ::write(m_requests, &byte, 1); }) == 1;
}

bool ChildProcess::HasExited(std::string* how) {
    if (!m_exited && m_pid > 0) {
        int status = 0;
        const pid_t r = RetryInterrupted([&] { return ::waitpid(m_pid, &status, WNOHANG); });
        if (r == m_pid) {
            m_exited = true;
            if (WIFEXITED(status)) {
                m_exitCode = WEXITSTATUS(status);
                m_how = "code " + std::to_string(m_exitCode);
            } else if (WIFSIGNALED(status)) {
                m_how = "signal " + std::to_string(WTERMSIG(status));
            }
        }
    }
    *how = m_how;
    return m_exited;
}

void ChildProcess::Kill() {
    if (m_pid > 0 && !m_exited) ::kill(m_pid, SIGKILL);
}

}  // namespace platform
