#include "platform/Random.h"

#include <cstdint>

namespace platform {

namespace {
thread_local uint32_t t_state = 1;
}

int Random::Next() {
    t_state = t_state * 214013u + 2531011u;
    return static_cast<int>((t_state >> 16) & 0x7FFF);
}

}  // namespace platform
