#include "engine/CDVXRenameOverThread.h"

#include "platform/ResourceIds.h"

CDVXRenameOverThread::CDVXRenameOverThread(bool buffered)
    : CDVXChangeThread(buffered, res::kRenameOverTestName, "VXN") {}

void CDVXRenameOverThread::Run() {
    CDVXStampedFile replaced = NewFile();
    CDVXStampedFile file = NewFile();
    // Two lengths, so that the name cannot show the right length by chance.
    const uint32_t half = byteBudget / 2;
    if (replaced.Open() && replaced.WriteAt(0, half) && replaced.Close(false) && !IsAborted() &&
        file.Open() && file.WriteAt(0, half - 3000) && !IsAborted() && file.RenameOver(replaced)) {
        // Through the handle kept from before, where the client kept it open.
        const bool kept = !file.IsOpen() || (file.SeekTo(0) && file.Verify());
        if (kept && !IsAborted() && file.Reopen(CDVXFile::Access::kRead)) file.Verify();
    }
    file.Close(true);
    replaced.Close(true);
}
