#pragma once
#include <cstdint>

namespace platform {

// A lock that keeps the machine from going to sleep, or idle into sleep,
// while a run goes: logind's "sleep:idle" block lock, asked over the system
// bus. logind holds it as long as the descriptor it hands out stays open, so
// closing it, or the process ending, releases it. Without a bus or logind
// the run goes on without the lock. The thread that took it only.
class SleepInhibitor {
public:
    // A bus that does not answer in this time, connection and call
    // together, is taken as absent: the run it would delay starts without
    // the lock.
    static constexpr uint32_t kCallTimeoutMs = 500;

    SleepInhibitor() = default;
    ~SleepInhibitor() { Release(); }
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    // Asks for the lock in the name of `who`, saying `why` (UTF-8, shown by
    // the desktop to whoever asks to sleep); true when it is held, now or
    // already. The descriptor is closed on exec; a process forked after
    // this holds it too (take it once the children are made).
    bool Take(const char* who, const char* why);
    // Gives the lock back; nothing when none is held.
    void Release();
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

}  // namespace platform
