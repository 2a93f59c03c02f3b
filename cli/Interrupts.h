#pragma once

// Ctrl+C, SIGTERM and SIGHUP (a closed terminal), counted. The run reads the
// count: the first asks the threads to stop after their cycle, the second to
// abort. The third ends the program at once, by the signal's own default
// action, so that a run stuck on a hung mount can still be left. SIGPIPE is
// ignored: a reader that goes away (… | head) must not end a run and leave its
// files behind. A signal the program was started with ignored (nohup) stays
// ignored. Install on the main thread before any worker thread exists;
// the worker threads are created with these signals blocked.
class Interrupts {
public:
    static void Install();
    static int Count();
};
