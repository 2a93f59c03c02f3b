#pragma once

class QLabel;
struct TestSession;

// The line of a result page that says what the run that just ended tested:
// how long it lasted (and, when stopped early, how long it was to last), the
// bytes written and read back with their digits grouped, and in which directory,
// so that a run stopped after a few seconds cannot pass for a whole one. The
// directory is elided to fit `label`. User-interface thread only.
void ShowRunSummary(QLabel* label, TestSession& session);
