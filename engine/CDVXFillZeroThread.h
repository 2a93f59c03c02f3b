#pragma once
#include "engine/CDVXThreadWithBuffer.h"

// Writes a block of zero bytes over and over, then reads it back.
class CDVXFillZeroThread : public CDVXThreadWithBuffer {
public:
    static constexpr uint32_t kBlockSize = 65536;

    explicit CDVXFillZeroThread(bool buffered);
    Chaine GetTestName() override;
    void FillBuffer(unsigned char* buffer) override;
};
