#pragma once
#include <string>

#include "engine/CDVXThreadManager.h"

// Every engine test process gets a temporary directory of its own ($TMPDIR),
// so that the Temp and file-copy tests can be shown to leave nothing behind.
// Test directories on the local disk go under kDiskBase instead.
inline const std::string kDiskBase = "/var/tmp";
const std::string& EngineTempDir();

// Polls the manager as the wizard's progress page does, every 200 ms, until
// no thread runs. Returns false when `limitMs` passed first.
bool PollUntilStopped(CDVXThreadManager& manager, unsigned limitMs = 180000);

// Polls until `done` holds or `limitMs` passes; CheckFailure() on the way.
template <typename F>
bool PollUntil(CDVXThreadManager& manager, F done, unsigned limitMs = 60000);

#include <chrono>
#include <thread>

template <typename F>
bool PollUntil(CDVXThreadManager& manager, F done, unsigned limitMs) {
    for (unsigned waited = 0; waited < limitMs; waited += 20) {
        manager.CheckFailure();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}
