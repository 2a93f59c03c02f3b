#include "platform/SleepInhibitor.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace platform {

namespace {

using std::chrono::steady_clock;

// What is left of the time the lock may take, in microseconds, at least 1:
// sd-bus reads 0 as its own default of many seconds.
uint64_t LeftUs(steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - steady_clock::now());
    return static_cast<uint64_t>(std::max<int64_t>(1, left.count()));
}

// Waits until the connection has authenticated, until `deadline`: sd-bus
// itself would wait for a bus that never answers for as long as its own
// timeout, holding back the run.
bool Connected(sd_bus* bus, steady_clock::time_point deadline) {
    for (;;) {
        const int ready = sd_bus_is_ready(bus);
        if (ready != 0) return ready > 0;
        const int processed = sd_bus_process(bus, nullptr);
        if (processed < 0) return false;
        if (processed > 0) continue;
        if (steady_clock::now() >= deadline || sd_bus_wait(bus, LeftUs(deadline)) < 0) return false;
    }
}

}  // namespace

bool SleepInhibitor::Take(const char* who, const char* why) {
    if (Held()) return true;
    const auto deadline = steady_clock::now() + std::chrono::milliseconds(kCallTimeoutMs);
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0) return false;
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int fd = -1;
    if (Connected(bus, deadline) &&
        sd_bus_message_new_method_call(bus, &call, "org.freedesktop.login1",
                                       "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                       "Inhibit") >= 0 &&
        sd_bus_message_append(call, "ssss", "sleep:idle", who, why, "block") >= 0 &&
        sd_bus_call(bus, call, LeftUs(deadline), &error, &reply) >= 0 &&
        sd_bus_message_read(reply, "h", &fd) >= 0) {
        // The reply owns its descriptor and closes it with the message: the
        // lock needs one of our own.
        m_fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(call);
    // Nothing is left to send: no flush, which would wait without a limit.
    sd_bus_close_unref(bus);
    return Held();
}

void SleepInhibitor::Release() {
    if (!Held()) return;
    ::close(m_fd);
    m_fd = -1;
}

}  // namespace platform
