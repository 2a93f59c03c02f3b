#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "report/FailureReport.h"

// The end of a run as one JSON object (UTF-8), for scripts and monitoring.
class JsonResult {
public:
    struct Totals {
        uint32_t elapsedMs = 0;
        uint64_t bytesWritten = 0;
        uint64_t bytesRead = 0;
        uint64_t throughput = 0;
    };

    static std::string Build(const CDVXPrefs& prefs, const Chaine& tempDirectory, bool networkPath,
                             const Totals& totals, const std::vector<FailureReport>& failures);
    // "disk-full", "io-error", "data-differ", "truncated" or "internal".
    static const char* CategoryName(const FailureReport& failure);
};
