#include "engine/CDVXFillZeroThread.h"

#include <cstring>

CDVXFillZeroThread::CDVXFillZeroThread(bool buffered)
    : CDVXThreadWithBuffer(buffered, kBlockSize, Chaine("VXZ")) {}

Chaine CDVXFillZeroThread::GetTestName() { return Chaine(Chaine::ResourceId(kNameId)); }

void CDVXFillZeroThread::FillBuffer(unsigned char* buffer) { std::memset(buffer, 0, blockSize); }
