#pragma once
#include "engine/CDVXChangeThread.h"

// Writes a file, writes it again shorter through an open that empties it,
// then checks that nothing of the old content is left past the new end.
class CDVXRewriteShorterThread : public CDVXChangeThread {
public:
    CDVXRewriteShorterThread(bool buffered, bool keep);
    void Run() override;
};
