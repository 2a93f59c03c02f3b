#pragma once

namespace platform {

// SIGINT, SIGTERM and SIGHUP (Ctrl+C, a logout, a closed terminal), counted
// for both front ends: the command line stops the tests after their cycle at
// the first, at once at the second, and gives its verdict on the spot at the
// third, whatever the tests do; the wizard takes each as its Cancel. The
// fourth ends the program at once by the signal's own default action, a last
// way out. A signal the program was started with ignored (nohup) stays
// ignored. Install on the main thread before any worker thread exists; worker
// threads are created with these signals blocked.
class StopSignals {
public:
    // Sets the handlers and the count to 0; false when a handler or the wake
    // handle could not be set (the others are).
    static bool Install();
    // Puts back the handlers Install found.
    static void Restore();
    static int Count();
    // Becomes readable at each signal, for an event loop to watch; -1 before
    // Install. Drain() reads it empty.
    static int WakeHandle();
    static void Drain();
    // A reader that goes away (… | head) must not end the program: writing
    // to it fails instead.
    static void IgnoreBrokenPipe();
};

}  // namespace platform
