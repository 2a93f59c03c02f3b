#include "engine/CDVXAppendThread.h"

#include "platform/ResourceIds.h"

CDVXAppendThread::CDVXAppendThread(bool buffered, bool keep)
    : CDVXChangeThread(buffered, keep, res::kAppendTestName, "VXJ") {}

void CDVXAppendThread::Run() {
    static constexpr uint32_t kPieces = 8;
    CDVXStampedFile file = NewFile();
    const uint32_t piece = byteBudget / kPieces / StampedBlock::kSize * StampedBlock::kSize;
    bool ok = file.Open() && file.WriteAt(0, piece);
    for (uint32_t i = 1; ok && !IsAborted() && i < kPieces; ++i) {
        // The last piece ends inside a block.
        ok = file.Reopen(CDVXFile::Access::kAppend) &&
             file.Append(i + 1 == kPieces ? piece - 777 : piece);
    }
    EndCycle(file, ok && !IsAborted() && file.Reopen(CDVXFile::Access::kRead) && file.Verify());
}
