#pragma once
#include <cerrno>

namespace platform {

// Calls `call` again while a signal interrupts it (-1 with EINTR), so that a
// signal sent to the program never reads as a failed file operation. A file
// system that answers EINTR without end fails after a while instead of
// holding the thread for ever.
template <class Call>
auto RetryInterrupted(Call call) {
    constexpr int kMaxAttempts = 100;
    auto result = call();
    for (int attempt = 1; result == -1 && errno == EINTR && attempt < kMaxAttempts; ++attempt) {
        result = call();
    }
    return result;
}

}  // namespace platform
