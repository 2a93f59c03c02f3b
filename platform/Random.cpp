#include "platform/Random.h"

namespace platform {

namespace {
thread_local uint32_t t_state = 1;
}

uint32_t Random::GetState() { return t_state; }

void Random::SetState(uint32_t state) { t_state = state; }

}  // namespace platform
