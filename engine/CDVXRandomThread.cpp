#include "engine/CDVXRandomThread.h"

#include <algorithm>
#include <cstring>

#include "platform/Random.h"
#include "platform/ResourceIds.h"

CDVXRandomThread::CDVXRandomThread(bool buffered)
    : CDVXThreadWithBuffer(buffered, kBlockSize, Chaine("VXR")) {}

Chaine CDVXRandomThread::GetTestName() { return Chaine(Chaine::ResourceId(res::kRandomTestName)); }

void CDVXRandomThread::FillBuffer(unsigned char* buffer) { FillRandom(buffer, blockSize); }

namespace {

using platform::Random;

// Eight 32-bit lanes (two SSE registers).
using Lanes = uint32_t __attribute__((vector_size(32)));
using LaneBytes = unsigned char __attribute__((vector_size(8)));
constexpr uint32_t kPerVector = 8;
constexpr uint32_t kVectors = 4;
constexpr uint32_t kLanes = kPerVector * kVectors;

}  // namespace

// Draw by draw, each multiplication waits for the last. So 32 lanes follow 32
// consecutive draws, and each steps 32 draws at once (the generator applied 32
// times is again a*x + c): the same bytes in the same order, without the wait.
void CDVXRandomThread::FillRandom(unsigned char* buffer, uint32_t size) {
    uint32_t state = Random::GetState();
    Lanes lane[kVectors];
    uint32_t a = 1, c = 0;
    for (uint32_t j = 0; j < kLanes; ++j) {
        state = Random::Step(state);
        lane[j / kPerVector][j % kPerVector] = state;
        a *= Random::kMultiplier;
        c = Random::Step(c);
    }
    uint32_t last = Random::GetState();
    for (uint64_t i = 0; i < size; i += kLanes) {
        const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(kLanes, size - i));
        unsigned char tail[kLanes];
        unsigned char* out = n == kLanes ? buffer + i : tail;
        for (uint32_t v = 0; v < kVectors; ++v) {
            // draw * 255 / 32767; the division by 2^15 - 1 is an addition and
            // shifts, exact for every draw.
            const Lanes scaled = ((lane[v] >> 16) & 0x7FFF) * 255;
            const LaneBytes b =
                __builtin_convertvector((scaled + (scaled >> 15) + 1) >> 15, LaneBytes);
            std::memcpy(out + v * kPerVector, &b, kPerVector);
        }
        if (out == tail) std::memcpy(buffer + i, tail, n);
        last = lane[(n - 1) / kPerVector][(n - 1) % kPerVector];
        for (Lanes& l : lane) l = l * a + c;
    }
    Random::SetState(last);
}
