#include "engine/ResumeWatch.h"

bool ResumeWatch::Resumed(uint32_t nowTicks, uint64_t sleptMs) {
    const bool resumed =
        m_looked && (nowTicks - m_lastTicks >= kStoppedGapMs ||
                     (sleptMs > m_lastSleptMs && sleptMs - m_lastSleptMs >= kSleptMs));
    m_looked = true;
    m_lastTicks = nowTicks;
    m_lastSleptMs = sleptMs;
    return resumed;
}
