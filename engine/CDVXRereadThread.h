#pragma once
#include "engine/CDVXChangeThread.h"

// Writes a file, then reads it back twice through two opens: both reads
// must give what was written.
class CDVXRereadThread : public CDVXChangeThread {
public:
    CDVXRereadThread(bool buffered, bool keep);
    void Run() override;
};
