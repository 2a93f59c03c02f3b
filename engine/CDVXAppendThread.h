#pragma once
#include "engine/CDVXChangeThread.h"

// Writes a file in pieces, each added through a new open to append, then
// checks that every piece is at the end of the ones before, in order.
class CDVXAppendThread : public CDVXChangeThread {
public:
    CDVXAppendThread(bool buffered, bool keep);
    void Run() override;
};
