#pragma once
#include "engine/CDVXThreadWithBuffer.h"

// Writes a block of pseudo-random bytes over and over, then reads it back. The
// block size is a prime, so blocks never line up with pages or sectors. Each
// cycle draws a new block from the thread's own generator.
class CDVXRandomThread : public CDVXThreadWithBuffer {
public:
    static constexpr uint32_t kBlockSize = 58997;

    explicit CDVXRandomThread(bool buffered);
    Chaine GetTestName() override;
    void FillBuffer(unsigned char* buffer) override;

    // One pseudo-random byte per generator draw: draw * 255 / 32767.
    static void FillRandom(unsigned char* buffer, uint32_t size);
};
