#include "engine/CDVXRewriteShorterThread.h"

#include "platform/ResourceIds.h"

CDVXRewriteShorterThread::CDVXRewriteShorterThread(bool buffered)
    : CDVXChangeThread(buffered, res::kRewriteShorterTestName, "VXS") {}

void CDVXRewriteShorterThread::Run() {
    CDVXStampedFile file = NewFile();
    // The new content ends inside a block, well before the old one.
    const uint32_t shorter = byteBudget / 3 + 1234;
    if (file.Open() && file.WriteAt(0, byteBudget) && !IsAborted() &&
        file.Reopen(CDVXFile::Access::kRewrite)) {
        file.Emptied();
        if (file.WriteAt(0, shorter) && !IsAborted() && file.Reopen(CDVXFile::Access::kRead)) file.Verify();
    }
    file.Close(true);
}
