#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// dalvex2-cli merge: the JSON results of clients that tested one server at
// the same time, read together into one verdict. A line per client with
// every reason it is not "ok", what the share carried while all of them
// ran, every failure with the label of the client that saw it, and who
// read back the files each one kept. What it reads is bounded: kMaxFiles
// files, kMaxInput bytes in all, each ResultReader::kMaxBytes at most; it
// shows kFailuresShown failures a client at most. Main thread.
class ResultMerge {
public:
    static constexpr std::size_t kMaxFiles = 1024;
    static constexpr uint64_t kMaxInput = uint64_t{64} << 20;
    static constexpr std::size_t kFailuresShown = 100;

    struct Options {
        std::string jsonPath;                   // empty, "-" or a file
        std::string htmlPath;                   // the same, for the report for people
        bool allowLocal = false;                // a client that tested a local folder may be "ok"
        std::vector<std::string> localClients;  // the labels of those that may, when not all
        bool allowMixed = false;                // clients of other versions may be merged
        bool missingAsFailed = false;           // a file that does not exist is a failed client
        // The results of verify by clients of the fleet, each of the files
        // another client kept; with missingAsFailed, one that does not exist
        // is a check that was not made.
        std::vector<std::string> keptChecks;
    };

    // Exit status as a run's: 0 when every client ran, on a network share,
    // together with the others for the whole time asked (their clocks
    // measured), read back what it wrote, saw no failure and never waited
    // on the share past its stall limit; 1 when one failed; 3 when none
    // failed but one was stopped, late, local, alone in its time or proved
    // nothing. 2, with nothing merged, for a file that cannot be read, is
    // not a result (see ResultReader), holds other settings or another
    // version than the first, or a label already seen, or is the file the
    // merged JSON would replace, and when that could not be written.
    static int Run(const std::vector<std::string>& files, const Options& options, std::FILE* out,
                   std::FILE* err);
};
