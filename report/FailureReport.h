#pragma once
#include <cstdint>
#include <vector>

#include "engine/RunSnapshot.h"
#include "report/ReportText.h"
#include "support/Chaine.h"

// One failed test of a run, and its report; on the thread of the snapshot
// it came from, whose texts it shares.
struct FailureReport {
    ReportText::Category category = ReportText::kInternal;
    TestSnapshot test;
    uint32_t testTimeMs = 0;  // how long the run had lasted when the test failed
    Chaine rtf;

    // Every failed test of the run, in the order the details show them:
    // failed system calls first, the last of them first, then the other
    // failures in test order.
    static std::vector<FailureReport> Collect(const RunSnapshot& run);
};
