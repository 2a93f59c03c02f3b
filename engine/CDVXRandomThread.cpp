#include "engine/CDVXRandomThread.h"

#include "platform/Random.h"

CDVXRandomThread::CDVXRandomThread(bool buffered)
    : CDVXThreadWithBuffer(buffered, kBlockSize, Chaine("VXR")) {}

Chaine CDVXRandomThread::GetTestName() { return Chaine(Chaine::ResourceId(kNameId)); }

void CDVXRandomThread::FillBuffer(unsigned char* buffer) { FillRandom(buffer, blockSize); }

void CDVXRandomThread::FillRandom(unsigned char* buffer, uint32_t size) {
    for (uint32_t i = 0; i < size; ++i) {
        buffer[i] = static_cast<unsigned char>(int64_t{platform::Random::Next()} * 255 / 32767);
    }
}
