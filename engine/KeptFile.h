#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A file that a run kept for a later check, and what it must hold then:
// the stamp of its blocks (the run, the client, the file), which write of
// each block and how many of its bytes (zeros after them), in runs of equal
// blocks, and its length. Any thread.
struct KeptFile {
    struct Blocks {
        uint32_t generation = 0;  // 0: zeros only
        uint32_t stamped = 0;     // the bytes of the write at the block's start
        uint32_t count = 0;
        bool operator==(const Blocks&) const = default;
    };

    std::string name;  // in the run's directory, as the program made it
    uint32_t size = 0;
    uint64_t runId = 0;
    uint32_t clientId = 0;
    uint32_t serial = 0;
    std::vector<Blocks> blocks;

    bool operator==(const KeptFile&) const = default;
};
