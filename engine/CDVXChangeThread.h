#pragma once
#include <random>

#include "engine/CDVXStampedFile.h"
#include "engine/CDVXThread.h"

// Base of the tests that change files they wrote (in place, shorter, at the
// end, in length, by renaming over, or read twice): each writes in stamped
// blocks and checks the whole file, every byte and its length, after a
// fresh open. A run may keep the file of each one's last cycle that checked
// it whole, for a later check. Worker thread only.
class CDVXChangeThread : public CDVXThread {
public:
    CDVXChangeThread(bool buffered, bool keep, unsigned nameId, const char* filePrefix);
    Chaine GetTestName() override;

protected:
    // A new file of the test, not made yet.
    CDVXStampedFile NewFile();
    // The end of a cycle's file: deleted, or, when the run keeps files and
    // the cycle checked the file whole (`checked`), kept in place of the
    // one kept before, which is deleted.
    void EndCycle(CDVXStampedFile& file, bool checked);
    // A block number below `blocks`, drawn.
    uint32_t DrawBlock(uint32_t blocks) {
        return std::uniform_int_distribution<uint32_t>(0, blocks - 1)(draws);
    }

private:
    const bool keep;
    const unsigned nameId;
    const Chaine prefix;
    std::minstd_rand draws{std::random_device()()};
};
