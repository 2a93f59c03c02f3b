#pragma once
#include "engine/CDVXThread.h"
#include "engine/KeptFile.h"

// Checks, once, a file that an earlier run kept: every byte and the length,
// read from the server, the damage named as the run would have named it.
// It never writes nor deletes the file.
class CDVXKeptFileThread : public CDVXThread {
public:
    explicit CDVXKeptFileThread(KeptFile file);
    Chaine GetTestName() override;
    void Run() override;

private:
    const KeptFile kept;
};
