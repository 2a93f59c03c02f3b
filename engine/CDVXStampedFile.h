#pragma once
#include <cstdint>
#include <vector>

#include "engine/CDVXFile.h"
#include "engine/KeptFile.h"
#include "engine/StampedBlock.h"

// A test file of the tests that change files: it is written in stamped
// blocks, and knows what it must hold after every change (which write of
// each block, where zeros are, its length), so that Verify can check every
// byte and the length, and name the damage. Worker thread only.
class CDVXStampedFile : public CDVXFile {
public:
    CDVXStampedFile(const Chaine& directory, CDVXThreadData* record, bool buffered,
                    const Chaine& prefix, uint32_t shortReadWaitMs);
    // The file an earlier run kept in `directory`, to be checked as it
    // left it: see CDVXFile::OpenToCheck.
    CDVXStampedFile(const KeptFile& kept, const Chaine& directory, CDVXThreadData* record,
                    uint32_t shortReadWaitMs);

    // What the file must hold as it stands, for a later check.
    KeptFile Kept();

    // Writes `length` bytes of new blocks (the next write of each) at
    // `offset`, a multiple of the block size, through the open handle. A
    // write that ends inside a block ends the file.
    bool WriteAt(uint32_t offset, uint32_t length);
    // The same through a handle opened to append, at the end, which must be
    // a multiple of the block size.
    bool Append(uint32_t length);
    // Cuts or extends the file through the open handle.
    bool ResizeTo(uint32_t newSize);
    // The file was opened again emptied.
    void Emptied();
    // Reads the file from the current position, which must be its start,
    // to its end, and checks every byte and its length; the first
    // difference is recorded with its damage.
    bool Verify();

private:
    // What a block holds: the first `stamped` bytes of the file's write
    // `generation` (none for 0), then zeros.
    struct Block {
        uint32_t generation = 0;
        uint32_t stamped = 0;
    };
    BlockStamp StampOf(uint32_t index) const;
    // The bytes due at [position, position + length).
    void Expected(uint32_t position, uint32_t length, unsigned char* out) const;
    bool WriteFrom(uint32_t offset, uint32_t length);
    // Whether the `got` bytes read at `position` are those due.
    bool IsRight(uint32_t position, const unsigned char* read, uint32_t got) const;
    // IsRight, or the first difference recorded with its damage.
    bool CheckPiece(uint32_t position, const unsigned char* read, uint32_t got);
    // Counts what follows the end, when anything does.
    bool CheckEnd();

    uint64_t runId = StampedBlock::ThisRun();
    uint32_t clientId = StampedBlock::ThisClient();
    uint32_t serial;
    uint32_t writes = 0;  // the writes made to the file
    uint32_t size = 0;
    std::vector<Block> blocks;
};
