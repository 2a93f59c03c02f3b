#include "report/ProgressTick.h"

#include <algorithm>

#include "engine/CDVXPrefs.h"

ProgressTick::Decision ProgressTick::Decide(const State& s) {
    if (s.running) {
        // With no limit the minutes never reach the duration.
        const uint32_t minutes = s.elapsedMs / s.minuteMs;
        const bool timeUp =
            s.durationMinutes != CDVXPrefs::UntilStopped && minutes >= s.durationMinutes;
        if (!s.buttonsEnabled) {
            return {true, s.elapsedMs >= kButtonsDelayMs || timeUp ? EnableButtons : None};
        }
        return {true, timeUp && s.exitAction == ExitShowResult ? PressNext : None};
    }
    // A failed thread may still be deleting its file: the page waits for it,
    // so that nothing is left behind and the next run need not wait.
    if (!s.threadsExited) return {false, None};
    if (s.exitAction == ExitCancel) return {false, PressCancel};
    if (!s.buttonsEnabled) return {false, EnableButtons};
    return {false, s.exitAction == ExitShowResult ? PressNext : PressBack};
}

uint32_t ProgressTick::BarPosition(uint32_t elapsedMs, uint32_t durationMinutes,
                                   uint32_t minuteMs) {
    // Clamped here, not by the bar: past the longest run the time leaves the
    // bar's signed range.
    return std::min(elapsedMs, durationMinutes * minuteMs);
}

int ProgressTick::ResultPage(bool failed, uint64_t bytesRead) {
    if (failed) return kErrorPageId;
    return bytesRead > 0 ? kNoErrorPageId : kDurationPageId;
}
