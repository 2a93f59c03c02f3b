#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/CDVXPrefs.h"
#include "engine/RunSnapshot.h"
#include "engine/RunVerdict.h"
#include "platform/Clock.h"
#include "report/FailureReport.h"
#include "report/result/ResultDocument.h"
#include "report/result/ShareSeries.h"
#include "support/FileSystem.h"

// The end of a run as its result file (ResultDocument), for scripts and
// monitoring.
class JsonResult {
public:
    struct Run {
        const CDVXPrefs* prefs = nullptr;
        Chaine tempDirectory;
        ShareClient client;  // of the directory
        // The cross-check with another client: its directory as seen from
        // here, its name once it gave it, the bytes of its files read here,
        // and those written here for a client to read.
        struct CrossCheck {
            Chaine directory;
            Chaine partner;
            uint64_t bytesRead = 0;
            uint64_t bytesWritten = 0;
        };
        std::optional<CrossCheck> crossCheck;
        std::string host;
        std::string label;                 // the client's name among several
        std::optional<int64_t> startAtMs;  // the start asked for, ms since 1970
        // This machine's clock minus the one the start was asked on, and the
        // start read on that clock; both unknown unless the offset was given.
        std::optional<int64_t> clockOffsetMs;
        std::optional<int64_t> referenceStartedAtMs;
        uint32_t stopAfterSeconds = 0;
        platform::SystemTime startedAt;
        uint32_t elapsedMs = 0;
        uint64_t bytesWritten = 0;
        uint64_t bytesRead = 0;
        uint64_t throughput = 0;
        ShareSeries share;  // what the share alone carried
        // Files of the run that are still in the share or the temporary
        // directory: they could not be deleted, or a stuck test holds them.
        std::vector<Chaine> leftFiles;
        // The files the run kept for a later check, or those it checked.
        std::optional<ResultKept> kept;
        std::optional<ResultKept> verified;

        // The run over, as `end` shows it: its time, bytes, throughput,
        // files left and cross-check; the share's course stopped there.
        void Ended(const RunSnapshot& end);
    };

    static ResultDocument Document(const Run& run, const RunVerdict& verdict,
                                   const std::vector<FailureReport>& failures);
    // "2026-12-06T14:03:07+01:00".
    static std::string Iso8601(const platform::SystemTime& time);
};
