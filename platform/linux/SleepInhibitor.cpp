#include "platform/SleepInhibitor.h"

#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace platform {

bool SleepInhibitor::Take(const char* who, const char* why) {
    if (Held()) return true;
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0) return false;
    sd_bus_message* call = nullptr;
    sd_bus_message* reply = nullptr;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    int fd = -1;
    if (sd_bus_message_new_method_call(bus, &call, "org.freedesktop.login1",
                                       "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                       "Inhibit") >= 0 &&
        sd_bus_message_append(call, "ssss", "sleep:idle", who, why, "block") >= 0 &&
        sd_bus_call(bus, call, uint64_t{kCallTimeoutMs} * 1000, &error, &reply) >= 0 &&
        sd_bus_message_read(reply, "h", &fd) >= 0) {
        // The reply owns its descriptor and closes it with the message: the
        // lock needs one of our own.
        m_fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    }
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    sd_bus_message_unref(call);
    sd_bus_flush_close_unref(bus);
    return Held();
}

void SleepInhibitor::Release() {
    if (!Held()) return;
    ::close(m_fd);
    m_fd = -1;
}

}  // namespace platform
