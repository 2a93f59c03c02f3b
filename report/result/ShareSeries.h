#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/RunSnapshot.h"
#include "report/result/ResultDocument.h"

// What the share carried during a run, second by second: the bytes the tests
// in the share wrote and read (the temporary directory's test apart), how
// many tests waited on it, and beside it the bytes every test moved, the
// temporary directory's included. A long run keeps at most kMaxPoints points:
// past that, neighbours add up in pairs and each point covers twice the time.
// The looks come from the engine's own clock, each when it counted the bytes.
// A look that the process following the engine held back (it was stopped,
// say) leaves a gap in observation from the look before: the tests went on
// meanwhile, unseen, and it is no silence of the share. Looks far apart for
// any other reason (the whole program was stopped) are silence: nothing of
// this client reached the share. The longest stretch in which the share moved
// no byte is kept to the look, whatever the points cover. Main thread.
class ShareSeries {
public:
    static constexpr std::size_t kMaxPoints = 3600;

    struct Point {
        uint64_t written = 0;
        uint64_t read = 0;
        uint64_t total = 0;    // written and read by every test
        uint32_t waiting = 0;  // the most tests waiting at once
    };
    using Gap = ResultGap;

    // A look at the run `elapsedMs` after its start: the share's byte totals
    // so far, the bytes every test wrote and read so far (`total`), and the
    // tests waiting on the share now; `held`: the look before it was held
    // back, and nobody looked since. Looks come in time order.
    void Sample(uint32_t elapsedMs, uint64_t written, uint64_t read, uint64_t total,
                uint32_t waiting, bool held = false);
    // A look at the run as `run` shows it: the share is every test but the
    // temporary directory's; a test counts as waiting once its call has
    // waited a second.
    void Look(const RunSnapshot& run, bool held = false);
    // The tests were asked to stop at `elapsedMs`: a share that stays quiet
    // from then on is no longer idle time.
    void Stop(uint32_t elapsedMs);

    uint32_t IntervalMs() const { return m_intervalMs; }
    const std::vector<Point>& Points() const { return m_points; }
    // The stretches nobody looked at, at most kMaxPoints (the last one grows
    // past that).
    const std::vector<Gap>& Gaps() const { return m_gaps; }
    std::optional<uint32_t> StoppedMs() const { return m_stoppedMs; }
    uint32_t LongestIdleMs() const { return m_longestIdleMs; }
    uint64_t Written() const { return m_written; }
    uint64_t Read() const { return m_read; }
    // Bytes a second over a run of `elapsedMs`, as the run's own figure.
    uint64_t Throughput(uint32_t elapsedMs) const;

    // What a series, as a result gives it, shows at least: the longest run
    // of whole points, seen and before the stop, that carried no byte and
    // were followed by one that did; and the longest gap in observation.
    static uint32_t SilentMs(const ResultSeries& series);
    static uint32_t LongestGapMs(const ResultSeries& series);

private:
    void Halve();
    void NoteIdle(uint32_t elapsedMs);
    void NoteGap(uint32_t fromMs, uint32_t toMs);

    uint32_t m_intervalMs = 1000;
    std::vector<Point> m_points;
    std::vector<Gap> m_gaps;
    uint64_t m_written = 0;
    uint64_t m_read = 0;
    uint64_t m_total = 0;
    uint32_t m_movedMs = 0;   // when the share last moved a byte (0: the start)
    uint32_t m_lookedMs = 0;  // the last look (0: the start)
    uint32_t m_longestIdleMs = 0;
    std::optional<uint32_t> m_stoppedMs;
};
