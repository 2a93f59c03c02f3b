#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/result/ResultDocument.h"

// A run's result, or a fleet's, as one HTML5 document in UTF-8 that any
// browser opens and prints: no script, no file beside it, every text
// escaped, the headings in French. The verdict, the settings, the directory,
// the client, the bytes, the throughput over time as an inline SVG chart,
// the stalls and the cross-check, the files kept or checked, and every
// failure whole. Any thread.
class HtmlReport {
public:
    // A client of a fleet as merge judged it.
    struct Client {
        std::string label;
        std::string result;                        // RunVerdict::ResultName, in the fleet
        std::string sentence;                      // and its line for people
        std::vector<std::string> reasons;          // why it is not "ok", and notes, in French
        const ResultDocument* document = nullptr;  // null: it gave no result
        int64_t startMs = 0;                       // its start, on the common clock
    };
    struct Fleet {
        std::string result;    // RunVerdict::ResultName of the fleet
        std::string sentence;  // the fleet's verdict for people
        std::string text;      // merge's lines, as printed
        std::vector<Client> clients;
        // When every client ran at once, on the common clock; none when
        // they never did, or their clocks were not compared.
        std::optional<int64_t> windowStartMs;
        int64_t windowMs = 0;
    };

    static std::string OfRun(const ResultDocument& document);
    static std::string OfFleet(const Fleet& fleet);
};
