#pragma once
#include <cstdint>

#include "support/Chaine.h"

// Texts of a run in progress, shared by the wizard's progress page and the
// command line.
class ProgressText {
public:
    // "B octets/sec (M.T Mbits/sec)": tenths of megabits of 1,048,576 bits, truncated.
    static Chaine Throughput(uint64_t bytesPerSecond);
    // A byte count in decimal without separators.
    static Chaine Bytes(uint64_t bytes);
};
