#pragma once
#include "engine/CDVXPrefs.h"
#include "engine/RunController.h"
#include "support/FileSystem.h"

// What a front end works on: the settings the user chose and the run made of
// them. The wizard's sheet owns one and hands it to every page and dialog;
// the command line makes one from its options. The run is declared last, so
// that it ends before the settings it points to go. UI thread.
struct TestSession {
    CDVXPrefs prefs;
    ShareClient client;  // of the directory, as its check found it
    RunController run;
};
