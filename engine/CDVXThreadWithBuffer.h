#pragma once
#include <cstdint>

#include "engine/CDVXThread.h"

// The block cycle shared by the zero-block, random-block and Temp tests: make a
// file, fill it with the kind's block up to the byte budget, read it back
// through a new handle comparing every block, delete it.
class CDVXThreadWithBuffer : public CDVXThread {
public:
    CDVXThreadWithBuffer(bool buffered, uint32_t blockSize, const Chaine& filePrefix);

    void Run() override;
    // Fills exactly blockSize bytes with the kind's pattern.
    virtual void FillBuffer(unsigned char* buffer) = 0;

protected:
    const uint32_t blockSize;
    const Chaine filePrefix;
};
