#pragma once
#include <cstdint>

// Where and when a block of a test file was written: the run (drawn once per
// process), the client (this machine), the file (a serial number within the
// run), the block's offset in its file and the write (1 for the first one at
// that offset, 2 for the next...).
struct BlockStamp {
    uint64_t runId = 0;
    uint32_t clientId = 0;
    uint32_t fileSerial = 0;
    uint64_t offset = 0;
    uint32_t generation = 0;

    bool operator==(const BlockStamp&) const = default;
    // The same run, client and file.
    bool SameFile(const BlockStamp& other) const {
        return runId == other.runId && clientId == other.clientId && fileSerial == other.fileSerial;
    }
};

// The 4 KiB blocks of the tests that change files. Each starts with a header
// (magic, CRC-32C of the rest of the header, then the stamp, little-endian)
// and goes on with bytes generated from the stamp alone: any block read back
// can be checked, and told apart from any other, without keeping the data
// written. A file's last block may be cut short: its bytes are the start of
// the whole block. Any thread.
class StampedBlock {
public:
    static constexpr uint32_t kSize = 4096;
    static constexpr uint32_t kHeaderSize = 64;

    // The first `length` bytes (at most kSize) of the block of `stamp`.
    static void Fill(const BlockStamp& stamp, unsigned char* out, uint32_t length = kSize);
    // Whether the whole block read back is that of `stamp`: the same as
    // Fill and memcmp, in one pass over it.
    static bool Holds(const BlockStamp& stamp, const unsigned char* block);
    // The stamp in the header of `length` bytes read back; false when they
    // hold no whole header, or a header that is not one (magic or checksum).
    static bool ReadStamp(const unsigned char* block, uint32_t length, BlockStamp* stamp);

    // This process's run, drawn at its first use.
    static uint64_t ThisRun();
    // This machine, from its name.
    static uint32_t ThisClient();
};
