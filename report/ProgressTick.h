#pragma once
#include <cstdint>

// What one tick of the progress page does, decided without a window. The page
// feeds in what it polled and carries out the answer.
class ProgressTick {
public:
    // What the page does once no thread runs any more.
    enum ExitAction { ExitCancel = 0, ExitShowResult = 1, ExitBack = 2 };
    enum Action { None, EnableButtons, PressNext, PressBack, PressCancel };

    // Buttons come after this long, so that a run is not ended by a double click.
    static constexpr uint32_t kButtonsDelayMs = 5000;

    struct State {
        bool running;              // a record still runs
        bool threadsExited;        // every worker thread has returned
        uint32_t elapsedMs;        // of the run, frozen once it is over
        uint32_t durationMinutes;  // CDVXPrefs::UntilStopped for no limit
        uint32_t minuteMs;         // the unit of the duration
        bool buttonsEnabled;       // Back and Next were enabled for this run
        int exitAction;
    };
    struct Decision {
        bool showCounters;  // rewrite the counters, time and bar
        Action action;
    };

    static Decision Decide(const State& state);
    // Where the bar stands: the elapsed time, never past the end.
    static uint32_t BarPosition(uint32_t elapsedMs, uint32_t durationMinutes, uint32_t minuteMs);

    // The page a run that is over leads to: the error page when a test failed,
    // the no-error page when data came back and was compared, and else the
    // duration page: a run aborted before anything was read back proves
    // nothing and gets no verdict.
    static constexpr int kErrorPageId = 134;
    static constexpr int kNoErrorPageId = 111;
    static constexpr int kDurationPageId = 112;
    static int ResultPage(bool failed, uint64_t bytesRead);
};
