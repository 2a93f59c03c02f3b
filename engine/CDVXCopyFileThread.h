#pragma once
#include "engine/CDVXThread.h"

class CDVXFile;

// Writes a file of random data on the server, copies it into the system's
// temporary directory with the system's copy, and verifies the local copy.
class CDVXCopyFileThread : public CDVXThread {
public:
    static constexpr uint32_t kBlockSize = 9651;

    explicit CDVXCopyFileThread(bool buffered);
    Chaine GetTestName() override;
    void Run() override;

private:
    // The system's copy of the server file, watched piece by piece.
    bool Copy(CDVXFile& source, const CDVXFile& destination, const Chaine& destinationName);
};
