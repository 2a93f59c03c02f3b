#pragma once
#include "engine/CDVXChangeThread.h"

// Overwrites blocks at scattered places of a file it wrote, some of them
// twice, then checks that every block holds its latest write.
class CDVXOverwriteThread : public CDVXChangeThread {
public:
    CDVXOverwriteThread(bool buffered, bool keep);
    void Run() override;
};
