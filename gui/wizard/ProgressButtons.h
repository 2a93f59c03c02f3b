#pragma once
#include <cstdint>

#include "engine/RunController.h"

// What the progress page does with the wizard's buttons after each poll of
// its run. User-interface thread.
class ProgressButtons {
public:
    // Back and Next come after this long, so that a double click ends no run.
    static constexpr uint32_t kDelayMs = 5000;

    enum Action { kNone, kEnableButtons, kPressNext, kPressBack, kPressCancel };
    struct State {
        bool running;        // a test still runs
        bool threadsExited;  // every worker thread has returned
        uint32_t elapsedMs;  // of the run, frozen once it is over
        bool timeUp;         // the run has lasted as long as it was to
        bool buttonsEnabled;
        RunController::After after;
    };

    static Action Decide(const State& state);
};
