#pragma once
#include <functional>
#include <thread>

namespace platform {

class Thread {
public:
    static constexpr int kBelowNormal = -1;
    static constexpr int kNormal = 0;

    // Starts `body` at once on a new thread. kBelowNormal runs it with a lower
    // scheduling priority than the caller's user interface; kNormal (or any
    // other value) leaves the priority alone.
    static std::thread Start(std::function<void()> body, int priority);

    // Ends the process with `code` at once, its output flushed: no destructor
    // runs under a thread that is still there, waiting on a share.
    [[noreturn]] static void EndProcessUnderThreads(int code);
};

}  // namespace platform
