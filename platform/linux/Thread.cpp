#include "platform/Thread.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

namespace platform {

std::thread Thread::Start(std::function<void()> body, int priority) {
    // A new thread takes the signal mask of its creator. Created with the
    // stop signals blocked, it never runs a handler meant for the program and
    // its file calls are not cut short by Ctrl+C: the caller's own thread
    // takes them.
    sigset_t stopSignals, previous;
    sigemptyset(&stopSignals);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopSignals, s);
    pthread_sigmask(SIG_BLOCK, &stopSignals, &previous);
    struct RestoreMask {
        sigset_t* mask;
        ~RestoreMask() { pthread_sigmask(SIG_SETMASK, mask, nullptr); }
    } restore{&previous};
    return std::thread([body = std::move(body), priority] {
        if (priority == kBelowNormal) {
            // Niceness is per thread on Linux: five steps nicer than the thread
            // that started it. Failure only means the thread keeps full priority.
            const auto tid = static_cast<id_t>(gettid());
            const int nice = getpriority(PRIO_PROCESS, tid) + 5;
            setpriority(PRIO_PROCESS, tid, nice > 19 ? 19 : nice);
        }
        body();
    });
}

void Thread::EndProcessUnderThreads(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace platform
