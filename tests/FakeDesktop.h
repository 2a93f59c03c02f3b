#pragma once
#include <memory>
#include <string>

#include "tests/CliProcess.h"

// The desktop's services faked by tests/FakeDesktop.py, `services` of them
// ("portal", "logind", "notifications", "launcher", or none), on a private
// bus daemon that stands for both the session and the system bus of this
// process and its children: it is started once per test program, and its
// address set in the environment before anything connects, since a
// connection is kept for the process's life. The services go with this
// object; the bus stays.
class FakeDesktop {
public:
    explicit FakeDesktop(const Strings& services);

    // False when the bus or the services could not start (callers fail).
    bool Ready() const { return m_ready; }
    // The events so far, one line each (see tests/FakeDesktop.py).
    std::string Events() const { return ReadFile(m_log.File("log")); }
    // Waits (at most `limitMs`) until `line` is one of the events.
    bool WaitFor(const std::string& line, unsigned limitMs = 5000) const;

private:
    TempDir m_log;
    std::unique_ptr<CliProcess> m_services;
    bool m_ready = false;
};
