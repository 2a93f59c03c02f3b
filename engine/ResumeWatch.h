#pragma once
#include <cstdint>

// Tells, look after look, whether this process has just come back from a
// pause that no share caused: the process was stopped (Ctrl+Z, a debugger),
// or the whole system slept. Either way the calls pending on the share
// waited for nothing the share did, and their wait counts again from now.
// The looks of one poll loop; one thread.
class ResumeWatch {
public:
    // Polls come every 200 ms: looks this far apart mean the process was
    // stopped.
    static constexpr uint32_t kStoppedGapMs = 5000;
    // The monotonic clock stands still while the system sleeps and the
    // boot-time clock does not: this much more between two looks is a sleep.
    // Less is the jitter of reading two clocks one after the other, or a
    // sleep too short to have cost the share its connection; a reading
    // below the one before (rounding) is none either.
    static constexpr uint64_t kSleptMs = 1000;

    // A look at `nowTicks` (Clock::GetTickCount), the system having slept
    // `sleptMs` in all since it booted (Clock::GetSleptMs). False at the first
    // look.
    bool Resumed(uint32_t nowTicks, uint64_t sleptMs);

private:
    bool m_looked = false;
    uint32_t m_lastTicks = 0;
    uint64_t m_lastSleptMs = 0;
};
