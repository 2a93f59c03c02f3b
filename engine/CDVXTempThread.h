#pragma once
#include "engine/CDVXRandomThread.h"

// The random-block test run in the system's temporary directory, so that local
// disk traffic goes on beside the network traffic. The record keeps the server
// directory the thread was started with.
class CDVXTempThread : public CDVXRandomThread {
public:
    explicit CDVXTempThread(bool buffered);
    Chaine GetTestName() override;
    void Run() override;
};
