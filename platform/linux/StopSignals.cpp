#include "platform/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <iterator>

namespace platform {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalsBeforeDefault = 4;

// Made once and never closed: a handler running on another thread may still
// be writing to it.
int g_pipe[2] = {-1, -1};
// Lock-free, so safe in a handler; atomic, since Qt's own threads do not block
// the signals and two handlers may run at once.
std::atomic<int> g_count{0};
static_assert(std::atomic<int>::is_always_lock_free);
struct sigaction g_previous[std::size(kSignals)];
bool g_saved[std::size(kSignals)];

void OnSignal(int signal) {
    const int saved = errno;
    if (g_count.fetch_add(1) + 1 >= kSignalsBeforeDefault) {
        // Blocked while this handler runs, the signal raised again is taken
        // with its default action as soon as the handler returns.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

bool StopSignals::Install() {
    bool ok = g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) == 0;
    Drain();
    g_count.store(0);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int s : kSignals) sigaddset(&action.sa_mask, s);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        g_saved[i] = sigaction(kSignals[i], nullptr, &g_previous[i]) == 0;
        if (!g_saved[i]) {
            ok = false;
        } else if (g_previous[i].sa_handler != SIG_IGN) {
            ok = sigaction(kSignals[i], &action, nullptr) == 0 && ok;
        }
    }
    return ok;
}

void StopSignals::Restore() {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        if (g_saved[i]) sigaction(kSignals[i], &g_previous[i], nullptr);
    }
}

int StopSignals::Count() { return g_count.load(); }

int StopSignals::WakeHandle() { return g_pipe[0]; }

void StopSignals::Drain() {
    char bytes[16];
    while (g_pipe[0] >= 0 && ::read(g_pipe[0], bytes, sizeof bytes) > 0) {
    }
}

void StopSignals::IgnoreBrokenPipe() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace platform
