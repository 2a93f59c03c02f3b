#include "cli/Interrupts.h"

#include <csignal>
#include <initializer_list>

namespace {

volatile std::sig_atomic_t g_count = 0;

void OnSignal(int signal) {
    g_count = g_count + 1;
    if (g_count >= 3) {
        // Blocked while this handler runs, the signal raised again is taken
        // with its default action as soon as the handler returns.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}

}  // namespace

void Interrupts::Install() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, s);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal the caller chose to ignore (nohup, a background job) stays ignored.
        struct sigaction current {};
        if (sigaction(s, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
        sigaction(s, &action, nullptr);
    }
    std::signal(SIGPIPE, SIG_IGN);
}

int Interrupts::Count() { return g_count; }
