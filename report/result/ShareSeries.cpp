#include "report/result/ShareSeries.h"

#include <algorithm>

#include "engine/RunSnapshot.h"
#include "platform/ResourceIds.h"

namespace {

// A call waited this long: its test is waiting on the share.
constexpr uint32_t kWaitingCountedMs = 1000;

}  // namespace

void ShareSeries::Look(const RunSnapshot& run, bool held) {
    const Chaine tempTest(Chaine::ResourceId(res::kTempTestName));
    const int slot = TestSnapshot::Slot(false);
    uint64_t written = 0, read = 0;
    uint32_t waiting = 0;
    for (const TestSnapshot& t : run.tests) {
        if (t.testname == tempTest) continue;
        written += t.bytesWritten[slot];
        read += t.bytesRead[slot];
        waiting += t.pending && t.WaitedMs(run.takenTicks) >= kWaitingCountedMs;
    }
    Sample(run.ElapsedMs(), written, read, run.TotalWritten(true) + run.TotalRead(true), waiting,
           held);
}

void ShareSeries::Sample(uint32_t elapsedMs, uint64_t written, uint64_t read, uint64_t total,
                         uint32_t waiting, bool held) {
    if (elapsedMs < m_lookedMs) elapsedMs = m_lookedMs;
    if (held && !m_stoppedMs) {
        // What the share did meanwhile is unknown: silence counts up to the
        // last look, and again from this one.
        NoteIdle(m_lookedMs);
        NoteGap(m_lookedMs, elapsedMs);
        m_movedMs = elapsedMs;
    }
    m_lookedMs = elapsedMs;
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
    p.total += total > m_total ? total - m_total : 0;
    p.waiting = std::max(p.waiting, waiting);
    const bool moved = written > m_written || read > m_read;
    m_written = std::max(m_written, written);
    m_read = std::max(m_read, read);
    m_total = std::max(m_total, total);
    NoteIdle(elapsedMs);
    if (moved) m_movedMs = elapsedMs;
}

void ShareSeries::Stop(uint32_t elapsedMs) {
    if (m_stoppedMs) return;
    NoteIdle(elapsedMs);
    m_stoppedMs = elapsedMs;
}

void ShareSeries::NoteIdle(uint32_t elapsedMs) {
    if (m_stoppedMs || elapsedMs < m_movedMs) return;
    m_longestIdleMs = std::max(m_longestIdleMs, elapsedMs - m_movedMs);
}

void ShareSeries::NoteGap(uint32_t fromMs, uint32_t toMs) {
    if (m_gaps.size() == kMaxPoints) {
        m_gaps.back().ms = toMs - m_gaps.back().fromMs;
        return;
    }
    m_gaps.push_back({fromMs, toMs - fromMs});
}

void ShareSeries::Halve() {
    std::vector<Point> halved((m_points.size() + 1) / 2);
    for (std::size_t i = 0; i < m_points.size(); ++i) {
        Point& p = halved[i / 2];
        p.written += m_points[i].written;
        p.read += m_points[i].read;
        p.total += m_points[i].total;
        p.waiting = std::max(p.waiting, m_points[i].waiting);
    }
    m_points = std::move(halved);
    m_intervalMs *= 2;
}

uint64_t ShareSeries::Throughput(uint32_t elapsedMs) const {
    return RunSnapshot::Throughput(elapsedMs, m_written + m_read);
}

uint32_t ShareSeries::SilentMs(const ResultSeries& series) {
    const uint64_t interval = series.intervalMs;
    const uint64_t stopped = series.stoppedMs.value_or(UINT32_MAX);
    const std::size_t count = series.written.size();
    // How many gaps cover each point, added up from where each begins and
    // ends: one pass over the gaps, one over the points, however many of either.
    std::vector<int64_t> unseen(count + 1);
    for (const Gap& g : series.gaps.value_or(std::vector<Gap>())) {
        const uint64_t end = uint64_t{g.fromMs} + g.ms;
        if (g.ms == 0 || g.fromMs / interval >= count) continue;
        ++unseen[g.fromMs / interval];
        --unseen[std::min<uint64_t>((end + interval - 1) / interval, count)];
    }
    uint64_t silent = 0, longest = 0;
    int64_t covered = 0;
    // The last point covers the run's end only in part.
    for (std::size_t i = 0; i + 1 < count; ++i) {
        covered += unseen[i];
        const bool quiet = covered == 0 && (i + 1) * interval <= stopped &&
                           series.written[i] + series.read[i] == 0;
        silent = quiet ? silent + interval : 0;
        longest = std::max(longest, silent);
    }
    return static_cast<uint32_t>(std::min<uint64_t>(longest, UINT32_MAX));
}

uint32_t ShareSeries::LongestGapMs(const ResultSeries& series) {
    uint32_t longest = 0;
    for (const Gap& g : series.gaps.value_or(std::vector<Gap>())) longest = std::max(longest, g.ms);
    return longest;
}
