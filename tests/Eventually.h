#pragma once
#include <chrono>
#include <thread>

// Whether `done` holds within `limitMs`, asked every 20 ms: for what another
// process or the system does in its own time.
template <typename F>
bool Eventually(F done, unsigned limitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
