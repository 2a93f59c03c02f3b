#include "engine/CDVXResizeThread.h"

#include "platform/ResourceIds.h"

CDVXResizeThread::CDVXResizeThread(bool buffered, bool keep)
    : CDVXChangeThread(buffered, keep, res::kResizeTestName, "VXT") {}

void CDVXResizeThread::Run() {
    CDVXStampedFile file = NewFile();
    // Cut inside a block, then extended past the length written.
    const uint32_t written = byteBudget / 4 * 3;
    EndCycle(file, file.Open() && file.WriteAt(0, written) && !IsAborted() &&
                       file.Reopen(CDVXFile::Access::kReadWrite) &&
                       file.ResizeTo(byteBudget / 3 + 1111) && !IsAborted() &&
                       file.ResizeTo(byteBudget) && !IsAborted() &&
                       file.Reopen(CDVXFile::Access::kRead) && file.Verify());
}
