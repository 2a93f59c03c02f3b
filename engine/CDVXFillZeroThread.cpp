#include "engine/CDVXFillZeroThread.h"

#include <cstring>

#include "platform/ResourceIds.h"

CDVXFillZeroThread::CDVXFillZeroThread(bool buffered)
    : CDVXThreadWithBuffer(buffered, kBlockSize, Chaine("VXZ")) {}

Chaine CDVXFillZeroThread::GetTestName() {
    return Chaine(Chaine::ResourceId(res::kFillZeroTestName));
}

void CDVXFillZeroThread::FillBuffer(unsigned char* buffer) { std::memset(buffer, 0, blockSize); }
