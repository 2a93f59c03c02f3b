#include "engine/CDVXChangeThread.h"

CDVXChangeThread::CDVXChangeThread(bool buffered, unsigned id, const char* filePrefix)
    : CDVXThread(buffered), nameId(id), prefix(filePrefix) {}

Chaine CDVXChangeThread::GetTestName() { return Chaine(Chaine::ResourceId(nameId)); }

CDVXStampedFile CDVXChangeThread::NewFile() {
    return CDVXStampedFile(directory, record, buffered, prefix, timings.shortReadWaitMs);
}
