#include "engine/CDVXOverwriteThread.h"

#include "platform/ResourceIds.h"

CDVXOverwriteThread::CDVXOverwriteThread(bool buffered, bool keep)
    : CDVXChangeThread(buffered, keep, res::kOverwriteTestName, "VXO") {}

void CDVXOverwriteThread::Run() {
    static constexpr uint32_t kOverwrites = 24;
    CDVXStampedFile file = NewFile();
    const uint32_t blocks = byteBudget / StampedBlock::kSize;
    bool ok = file.Open() && file.WriteAt(0, byteBudget) && !IsAborted() &&
              file.Reopen(CDVXFile::Access::kReadWrite);
    for (uint32_t i = 0; ok && !IsAborted() && i < kOverwrites; ++i) {
        // One to three blocks; the same block may come again.
        ok = file.WriteAt(DrawBlock(blocks - 2) * StampedBlock::kSize,
                          (1 + i % 3) * StampedBlock::kSize);
    }
    EndCycle(file, ok && !IsAborted() && file.Reopen(CDVXFile::Access::kRead) && file.Verify());
}
