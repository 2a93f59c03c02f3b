#pragma once
#include "engine/CDVXChangeThread.h"

// Writes a file, cuts it short then extends it past its first length, and
// checks that what was cut is gone and the extension reads as zeros.
class CDVXResizeThread : public CDVXChangeThread {
public:
    CDVXResizeThread(bool buffered, bool keep);
    void Run() override;
};
