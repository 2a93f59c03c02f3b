#include "engine/CDVXThreadWithBuffer.h"

#include <memory>

#include "engine/CDVXFile.h"

CDVXThreadWithBuffer::CDVXThreadWithBuffer(bool isBuffered, uint32_t size, const Chaine& prefix)
    : CDVXThread(isBuffered), blockSize(size), filePrefix(prefix) {}

void CDVXThreadWithBuffer::Run() {
    CDVXFile file(directory, record, buffered, filePrefix, timings.shortReadWaitMs);
    if (!file.Open()) return;  // recorded; the destructor deletes a created file
    const auto block = std::make_unique_for_overwrite<unsigned char[]>(blockSize);
    FillBuffer(block.get());
    if (!IsAborted()) file.WriteBlocks(block.get(), blockSize, byteBudget);
    if (!IsAborted()) file.Reopen(CDVXFile::Access::kRead);
    file.filePos = 0;
    if (!IsAborted()) file.ReadAndCompare(block.get(), blockSize, byteBudget);
    file.Close(true);
}
