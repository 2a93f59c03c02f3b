#pragma once
#include "engine/CDVXChangeThread.h"

// Writes two files, renames the second over the first, then checks that the
// name shows the second's content through the handle kept open on it (where
// the client renames an open file) and through a new open of the name.
class CDVXRenameOverThread : public CDVXChangeThread {
public:
    CDVXRenameOverThread(bool buffered, bool keep);
    void Run() override;
};
