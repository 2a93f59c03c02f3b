#include "cli/result/ShareSeries.h"

#include <algorithm>

#include "engine/RunSnapshot.h"

void ShareSeries::Sample(uint32_t elapsedMs, uint64_t written, uint64_t read, uint32_t waiting) {
    std::size_t index = elapsedMs / m_intervalMs;
    while (index >= kMaxPoints) {
        Halve();
        index = elapsedMs / m_intervalMs;
    }
    if (m_points.size() <= index) m_points.resize(index + 1);
    Point& p = m_points[index];
    // Totals only grow; a smaller one (a record gone) moves nothing.
    p.written += written > m_written ? written - m_written : 0;
    p.read += read > m_read ? read - m_read : 0;
    p.waiting = std::max(p.waiting, waiting);
    const bool moved = written > m_written || read > m_read;
    m_written = std::max(m_written, written);
    m_read = std::max(m_read, read);
    NoteIdle(elapsedMs);
    if (moved) m_movedMs = elapsedMs;
}

void ShareSeries::Stop(uint32_t elapsedMs) {
    if (m_stopped) return;
    NoteIdle(elapsedMs);
    m_stopped = true;
}

void ShareSeries::NoteIdle(uint32_t elapsedMs) {
    if (m_stopped || elapsedMs < m_movedMs) return;
    m_longestIdleMs = std::max(m_longestIdleMs, elapsedMs - m_movedMs);
}

void ShareSeries::Halve() {
    std::vector<Point> halved((m_points.size() + 1) / 2);
    for (std::size_t i = 0; i < m_points.size(); ++i) {
        Point& p = halved[i / 2];
        p.written += m_points[i].written;
        p.read += m_points[i].read;
        p.waiting = std::max(p.waiting, m_points[i].waiting);
    }
    m_points = std::move(halved);
    m_intervalMs *= 2;
}

uint64_t ShareSeries::Throughput(uint32_t elapsedMs) const {
    return RunSnapshot::Throughput(elapsedMs, m_written + m_read);
}
