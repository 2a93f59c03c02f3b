#include "engine/CDVXRewriteShorterThread.h"

#include "platform/ResourceIds.h"

CDVXRewriteShorterThread::CDVXRewriteShorterThread(bool buffered, bool keep)
    : CDVXChangeThread(buffered, keep, res::kRewriteShorterTestName, "VXS") {}

void CDVXRewriteShorterThread::Run() {
    CDVXStampedFile file = NewFile();
    // The new content ends inside a block, well before the old one.
    const uint32_t shorter = byteBudget / 3 + 1234;
    bool checked = false;
    if (file.Open() && file.WriteAt(0, byteBudget) && !IsAborted() &&
        file.Reopen(CDVXFile::Access::kRewrite)) {
        file.Emptied();
        checked = file.WriteAt(0, shorter) && !IsAborted() &&
                  file.Reopen(CDVXFile::Access::kRead) && file.Verify();
    }
    EndCycle(file, checked);
}
