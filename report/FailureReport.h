#pragma once
#include <cstdint>
#include <vector>

#include "platform/Clock.h"
#include "report/ReportText.h"
#include "support/Chaine.h"

class CDVXProgressData;

// One failed test of a run: what its record said when the reports were made,
// and its report. Private copies, free to keep on any thread.
struct FailureReport {
    ReportText::Category category = ReportText::kInternal;
    Chaine testname;
    Chaine tstdir;
    int32_t errorKind = 0;
    uint32_t winerr = 0;
    int32_t sysErrno = 0;
    int32_t operation = 0;
    uint32_t position = 0;
    Chaine datawait;
    Chaine dataget;
    uint32_t stallSeconds = 0;  // a call that got no answer: for how long
    Chaine stallFile;           // and on which file
    uint32_t testTimeMs = 0;  // how long the run had lasted when the test failed
    platform::SystemTime localtime;
    Chaine rtf;

    // Every failed record of the run, in the order the details show them:
    // failed system calls first, the last of them first, then the other
    // failures in record order. Takes the progress data's lock, then each
    // record's. User-interface thread.
    static std::vector<FailureReport> Collect(CDVXProgressData& progress);
};
