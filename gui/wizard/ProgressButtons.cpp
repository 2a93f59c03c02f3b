#include "gui/wizard/ProgressButtons.h"

ProgressButtons::Action ProgressButtons::Decide(const State& s) {
    if (s.running) {
        const bool enable = !s.buttonsEnabled && (s.elapsedMs >= kDelayMs || s.timeUp);
        return enable ? kEnableButtons : kNone;
    }
    // A failed thread may still be deleting its file: the page waits for it,
    // so that nothing is left behind and the next run need not wait.
    if (!s.threadsExited) return kNone;
    if (s.after == RunController::kCancel) return kPressCancel;
    if (!s.buttonsEnabled) return kEnableButtons;
    return s.after == RunController::kShowResult ? kPressNext : kPressBack;
}
