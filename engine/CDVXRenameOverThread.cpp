#include "engine/CDVXRenameOverThread.h"

#include "platform/ResourceIds.h"

CDVXRenameOverThread::CDVXRenameOverThread(bool buffered, bool keep)
    : CDVXChangeThread(buffered, keep, res::kRenameOverTestName, "VXN") {}

void CDVXRenameOverThread::Run() {
    CDVXStampedFile replaced = NewFile();
    CDVXStampedFile file = NewFile();
    // Two lengths, so that the name cannot show the right length by chance.
    const uint32_t half = byteBudget / 2;
    bool checked = false;
    if (replaced.Open() && replaced.WriteAt(0, half) && replaced.Close(false) && !IsAborted() &&
        file.Open() && file.WriteAt(0, half - 3000) && !IsAborted() && file.RenameOver(replaced)) {
        // Through the handle kept from before, where the client kept it open.
        const bool held = !file.IsOpen() || (file.SeekTo(0) && file.Verify());
        checked = held && !IsAborted() && file.Reopen(CDVXFile::Access::kRead) && file.Verify();
    }
    EndCycle(file, checked);
    replaced.Close(true);
}
