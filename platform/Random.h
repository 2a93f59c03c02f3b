#pragma once

namespace platform {

// The generator the test data was defined with: values 0..32767, one state per
// thread, every thread starting from seed 1.
class Random {
public:
    static int Next();
};

}  // namespace platform
