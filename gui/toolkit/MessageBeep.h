#pragma once

// The system's warning sound, for an action refused without a message (a
// dropped file where a folder was expected). Every call is counted, so that
// tests, which hear nothing, can tell. User-interface thread only.
void MessageBeep();
int MessageBeepCount();
