#pragma once
#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

#include "report/result/ResultDocument.h"

// One client's JSON result, read as a file anybody could have written: at
// most kMaxBytes, nested kMaxDepth deep at most, no member twice, a
// ResultDocument that reads whole, no figure the run could not have reached
// and no ending it could not have had.
// Main thread.
class ResultReader {
public:
    static constexpr std::size_t kMaxBytes = std::size_t{1} << 20;
    static constexpr int kMaxDepth = 16;
    // Faster than any share: 100 GB/s.
    static constexpr uint64_t kMaxBytesPerMs = 100000000;

    struct Client {
        std::string file;
        std::string label;        // as the result gives it
        std::string key;          // the same for labels that read as one (ClientLabel)
        bool present = true;      // false: no result, counted as failed
        std::size_t bytes = 0;    // the file's size
        ResultDocument document;  // when present
    };

    // False with a French reason in `why`, which names the file. With
    // `missingAsFailed`, a file that does not exist is a client without a
    // result, named after the file.
    static bool Read(const std::string& file, bool missingAsFailed, Client* client,
                     std::string* why);
};
