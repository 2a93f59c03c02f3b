#pragma once
#include "engine/CDVXThread.h"

// Grows a file one byte at a time, closing, reopening and seeking to its end
// around every byte (the letters a to z, repeated), then verifies it whole.
class CDVXAtomThread : public CDVXThread {
public:
    static constexpr uint32_t kBytesPerWrite = 61440;  // one letter per 60 KiB of budget
    static constexpr uint32_t kMaxPauseMs = 500;

    explicit CDVXAtomThread(bool buffered);
    Chaine GetTestName() override;
    void Run() override;
};
