#pragma once
#include <cstdint>

namespace platform {

// The generator the test data was defined with: values 0..32767, one state per
// thread, every thread starting from seed 1. Each draw steps the state once;
// the value is bits 16 to 30 of the stepped state.
class Random {
public:
    static constexpr uint32_t kMultiplier = 214013u;
    static constexpr uint32_t kIncrement = 2531011u;

    // This thread's state: code that draws many values keeps it in a register
    // meanwhile.
    static uint32_t GetState();
    static void SetState(uint32_t state);
    static constexpr uint32_t Step(uint32_t state) { return state * kMultiplier + kIncrement; }
};

}  // namespace platform
