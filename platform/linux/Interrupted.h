#pragma once
#include <cerrno>

namespace platform {

// Calls `call` again for as long as a signal interrupts it (-1 with EINTR), so
// that a signal sent to the program never reads as a failed file operation.
template <class Call>
auto RetryInterrupted(Call call) {
    auto result = call();
    while (result == -1 && errno == EINTR) result = call();
    return result;
}

}  // namespace platform
