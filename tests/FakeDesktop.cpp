#include "tests/FakeDesktop.h"

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>

#include "tests/Eventually.h"

namespace {

// The private bus daemon, ended with the test program; false when it did not start.
bool StartBus() {
    static const pid_t daemon = [] {
        FILE* out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        char address[512] = {}, pid[32] = {};
        const bool read = out && fgets(address, sizeof address, out) && fgets(pid, sizeof pid, out);
        if (out) pclose(out);
        if (!read) return pid_t{-1};
        std::string bus(address);
        bus.erase(bus.find_last_not_of('\n') + 1);
        setenv("DBUS_SESSION_BUS_ADDRESS", bus.c_str(), 1);
        setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.c_str(), 1);
        static const pid_t started = static_cast<pid_t>(atoi(pid));
        atexit([] { kill(started, SIGTERM); });
        return started;
    }();
    return daemon > 0;
}

}  // namespace

FakeDesktop::FakeDesktop(const Strings& services) {
    if (!StartBus()) return;
    Strings args{m_log.File("log")};
    args.insert(args.end(), services.begin(), services.end());
    m_services = std::make_unique<CliProcess>(DALVEX_FAKE_DESKTOP, args, Environment());
    m_ready = WaitFor("ready", 10000);
}

bool FakeDesktop::WaitFor(const std::string& line, unsigned limitMs) const {
    return Eventually(
        [&] { return ("\n" + Events()).find("\n" + line + "\n") != std::string::npos; }, limitMs);
}
