#include "platform/Thread.h"

#include <sys/resource.h>
#include <unistd.h>

namespace platform {

std::thread Thread::Start(std::function<void()> body, int priority) {
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

}  // namespace platform
